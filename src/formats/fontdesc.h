#pragma once
// A font as the windows describe it: face name, size in points and the
// character set, which QFont has no field for.
#include <QFont>
#include <QString>

namespace ptt {

struct FontDesc {
    QString name;
    double size = 9.0; // points, kept to four decimal places
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;
    int weight = 400; // 100..900; 700 is bold
    int charset = 1;  // 134 = GB2312, 255 = OEM, 0 = ANSI

    static constexpr int kCharsetGB2312 = 134;

    // A bold (weight 700) font in the GB2312 character set, as the windows
    // start their stamp fonts.
    static FontDesc boldChinese(const QString &name, double points);

    // The point size as the form runtime stores it: fixed point, 4 decimals.
    static double roundSize(double points);

    // A QFont for drawing unturned text at the given logical dpi.
    QFont toQFont() const;
    static FontDesc fromQFont(const QFont &font, int charset = 1);

    bool operator==(const FontDesc &o) const;
    bool operator!=(const FontDesc &o) const { return !(*this == o); }
};

// Maps the Windows Chinese face names the windows use ("宋体", "楷体_GB2312",
// "黑体" ...) to the CJK faces installed here. Call once at start-up.
void installFontSubstitutions();

// The installed face used for a Windows face name (the name itself if none).
QString substituteFace(const QString &windowsFace);

} // namespace ptt
