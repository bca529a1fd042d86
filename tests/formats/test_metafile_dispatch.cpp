// The players hand each record to the handlers of one kind after another;
// a type two kinds claimed would never reach the second. Every record type
// is played once, from a record of zeros, through each kind. Also the text
// decoding both players share.
#include "formats/metafile/decoding.h"
#include "formats/metafile/emfplay.h"
#include "formats/metafile/wmfplay.h"

#include <QTest>

using namespace ptt;
using namespace ptt::metafile;

namespace {

emf::Record record(EmfRecord type, const RecordReader &r, GdiContext &dc, DecodeStop *stop)
{
    return {type, r, dc, stop, dc.limits(), QTransform()};
}

wmf::Record record(WmfRecord type, const RecordReader &r, GdiContext &dc, DecodeStop *stop)
{
    return {type, r, dc, stop, dc.limits().pathPoints};
}

// The kinds that take a record of this type.
template <typename Type, typename Record> QStringList claimants(Type type, bool (*const (&kinds)[6])(const Record &))
{
    static const char *const names[] = {"state", "objects", "drawing", "clipping", "bitmaps", "text"};
    const QByteArray zeros(64, '\0');
    const RecordReader r(reinterpret_cast<const uchar *>(zeros.constData()), quint32(zeros.size()));
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    DecodeStop stop;
    QStringList found;
    for (int k = 0; k < 6; ++k) {
        GdiContext dc(&image, &stop);
        dc.resizeObjects(4);
        if (kinds[k](record(type, r, dc, &stop)))
            found << QString::fromLatin1(names[k]);
    }
    return found;
}

} // namespace

class TestMetafileDispatch : public QObject {
    Q_OBJECT
private slots:
    void eachRecordTypeHasOneKind()
    {
        bool (*const emfKinds[6])(const emf::Record &) = {emf::playState,    emf::playObjects, emf::playDrawing,
                                                          emf::playClipping, emf::playBitmaps, emf::playText};
        int emfPlayed = 0;
        for (quint32 t = 0; t <= 130; ++t) {
            const QStringList kinds = claimants(EmfRecord(t), emfKinds);
            QVERIFY2(kinds.size() <= 1,
                     qPrintable(QStringLiteral("EMF %1: %2").arg(t).arg(kinds.join(QStringLiteral(", ")))));
            emfPlayed += int(kinds.size());
        }
        bool (*const wmfKinds[6])(const wmf::Record &) = {wmf::playState,    wmf::playObjects, wmf::playDrawing,
                                                          wmf::playClipping, wmf::playBitmaps, wmf::playText};
        int wmfPlayed = 0;
        for (quint32 t = 0; t <= 0xFFF; ++t) {
            const QStringList kinds = claimants(WmfRecord(t), wmfKinds);
            QVERIFY2(kinds.size() <= 1,
                     qPrintable(QStringLiteral("WMF %1: %2").arg(t, 4, 16).arg(kinds.join(QStringLiteral(", ")))));
            wmfPlayed += int(kinds.size());
        }
        // No fewer types than the players had cases for when they were split by kind.
        QVERIFY(emfPlayed >= 78);
        QVERIFY(wmfPlayed >= 50);
    }

    // Text in a symbol face is the face's own codes, whatever the charset:
    // Greek letters and signs, a byte each (none lost as half a GBK character).
    void symbolFaceText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("charset");
        QTest::addColumn<QString>("face");
        QTest::addColumn<QString>("text");
        QTest::newRow("symbol charset") << QByteArray("abp\xb4=") << 2 << "Symbol" << QString::fromUtf8("αβπ×=");
        QTest::newRow("default charset, bracket pieces")
            << QByteArray("\xe6\xe7\xe8") << 1 << "Euclid Symbol" << QString::fromUtf8("⎛⎜⎝");
        QTest::newRow("other face: code page") << QByteArray("\xd6\xd0") << 1 << "SimSun" << QString::fromUtf8("中");
        // Per face: the space, the first and the last code with a
        // counterpart, and one without (a space, nothing drawn).
        QTest::newRow("symbol, no counterpart") << QByteArray("\x80 \xfe") << 2 << "Symbol" << QString::fromUtf8("  ⎭");
        QTest::newRow("wingdings") << QByteArray(" !\"\xfe\xff") << 2 << "Wingdings"
                                   << QString::fromUtf8(" 🖉✂🗹 ");
        QTest::newRow("wingdings 2") << QByteArray(" !\xf9\x7f\xe5") << 1 << "Wingdings 2"
                                     << QString::fromUtf8(" 🖊⁂  ");
        QTest::newRow("wingdings 3") << QByteArray(" !p\xf0\xf1") << 0 << "wingdings 3"
                                     << QString::fromUtf8(" ⭠▲🢗 ");
        QTest::newRow("mt extra") << QByteArray(" #Ll\x41") << 1 << "MT Extra" << QString::fromUtf8(" ˋ⋯ℓ ");
    }
    void symbolFaceText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, charset);
        QFETCH(QString, face);
        QFETCH(QString, text);
        QCOMPARE(decodeAnsi(bytes, charset, face), text);
    }
    void symbolFaceUtf16()
    {
        QCOMPARE(fromSymbolCodes(QString(QChar(0xF061)) + QChar(0xF0A5), QStringLiteral("Symbol")),
                 QString::fromUtf8("α∞"));
        QCOMPARE(fromSymbolCodes(QStringLiteral("ab"), QStringLiteral("Arial")), QStringLiteral("ab"));
        // A pictograph takes two units: advances given per code follow it.
        const QString folder = fromSymbolCodes(QString(QChar(0xF030)) + QChar(0xF022), QStringLiteral("Wingdings"));
        QCOMPARE(folder, QString::fromUtf8("📁✂"));
        QCOMPARE(advancesPerUnit(folder, {10, 20}, nullptr), QVector<double>({10, 0, 20}));
        QCOMPARE(advancesPerUnit(folder, {10}, nullptr), QVector<double>());
    }
};

QTEST_MAIN(TestMetafileDispatch)
#include "test_metafile_dispatch.moc"
