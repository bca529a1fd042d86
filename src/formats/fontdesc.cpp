#include "fontdesc.h"

#include <QFontDatabase>
#include <QStringList>
#include <cmath>

namespace ptt {

double FontDesc::roundSize(double points)
{
    return std::nearbyint(points * 10000.0) / 10000.0;
}

FontDesc FontDesc::boldChinese(const QString &name, double points)
{
    FontDesc d;
    d.name = name;
    d.size = roundSize(points);
    d.bold = true;
    d.weight = 700;
    d.charset = kCharsetGB2312;
    return d;
}

QFont FontDesc::toQFont() const
{
    QFont font(name);
    font.setPointSizeF(size > 0 ? size : 9.0);
    font.setWeight(QFont::Weight(qBound(1, weight, 1000)));
    font.setItalic(italic);
    font.setUnderline(underline);
    font.setStrikeOut(strikethrough);
    return font;
}

FontDesc FontDesc::fromQFont(const QFont &font, int charset)
{
    FontDesc d;
    d.name = font.family();
    d.size = roundSize(font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 72.0 / 96.0);
    d.weight = font.weight();
    d.bold = d.weight >= 600;
    d.italic = font.italic();
    d.underline = font.underline();
    d.strikethrough = font.strikeOut();
    d.charset = charset;
    return d;
}

bool FontDesc::operator==(const FontDesc &o) const
{
    return name == o.name && size == o.size && bold == o.bold && italic == o.italic && underline == o.underline &&
           strikethrough == o.strikethrough && weight == o.weight && charset == o.charset;
}

namespace {

struct FaceMap {
    const char16_t *windowsFace;
    QStringList installed;
};

const QList<FaceMap> &faceMaps()
{
    static const QList<FaceMap> maps = {
        {u"宋体", {QStringLiteral("AR PL UMing CN"), QStringLiteral("WenQuanYi Zen Hei")}},
        {u"新宋体", {QStringLiteral("AR PL UMing CN"), QStringLiteral("WenQuanYi Zen Hei")}},
        {u"SimSun", {QStringLiteral("AR PL UMing CN"), QStringLiteral("WenQuanYi Zen Hei")}},
        {u"仿宋_GB2312", {QStringLiteral("AR PL UMing CN"), QStringLiteral("WenQuanYi Zen Hei")}},
        {u"仿宋", {QStringLiteral("AR PL UMing CN"), QStringLiteral("WenQuanYi Zen Hei")}},
        {u"楷体_GB2312", {QStringLiteral("AR PL UKai CN"), QStringLiteral("WenQuanYi Zen Hei")}},
        {u"楷体", {QStringLiteral("AR PL UKai CN"), QStringLiteral("WenQuanYi Zen Hei")}},
        {u"KaiTi", {QStringLiteral("AR PL UKai CN"), QStringLiteral("WenQuanYi Zen Hei")}},
        {u"黑体", {QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("AR PL UMing CN")}},
        {u"SimHei", {QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("AR PL UMing CN")}},
        {u"微软雅黑", {QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("AR PL UMing CN")}},
    };
    return maps;
}

} // namespace

void installFontSubstitutions()
{
    for (const FaceMap &m : faceMaps())
        QFont::insertSubstitutions(QString::fromUtf16(m.windowsFace), m.installed);
}

QString substituteFace(const QString &windowsFace)
{
    const QStringList families = QFontDatabase::families();
    for (const FaceMap &m : faceMaps()) {
        if (QString::fromUtf16(m.windowsFace) != windowsFace)
            continue;
        for (const QString &face : m.installed)
            if (families.contains(face))
                return face;
    }
    return windowsFace;
}

} // namespace ptt
