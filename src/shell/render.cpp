#include "render.h"

#include "chessboard/boardband.h"
#include "formats/bmpwriter.h"
#include "formats/picture.h"
#include "map/mapband.h"
#include "pageops/samples.h"
#include "pageops/tilepage.h"
#include "platform/units.h"
#include "platform/widgetstyle.h"
#include "text/clogfont.h"
#include "text/textstamp.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QImageWriter>
#include <QLocale>
#include <QTransform>

#include <cmath>
#include <cstdio>
#include <memory>
#include <unistd.h>
#include <vector>

namespace ptt {

namespace {

// The main window's page: its border, taken from the outer size typed in twips, and its colour under
// the tiles.
constexpr int kPageBorder = 2;
// Pages PNG and JPEG are drawn whole for: the main window's own limit.
constexpr qint64 kMaxWholePagePixels = 1ll << 30;

void print(const QString &text)
{
    std::fputs(text.toUtf8().constData(), stderr);
    std::fflush(stderr);
}

QString programName()
{
    return QCoreApplication::applicationName();
}

int usageError(const QString &command, const QString &message)
{
    print(QStringLiteral("%1: %2\nTry '%1 %3 --help'.\n").arg(programName(), message, command));
    return 2;
}

// A failure of the job: one line naming the file and the cause.
int failure(const QString &file, const QString &cause)
{
    print(QStringLiteral("%1: %2: %3\n").arg(programName(), file, cause));
    return 1;
}

// A failure whose sentence names its file.
int failure(const QString &sentence)
{
    print(QStringLiteral("%1: %2\n").arg(programName(), sentence));
    return 1;
}

// A percentage on stderr, only on a terminal and only once the job has taken a second.
class TerminalProgress {
public:
    explicit TerminalProgress(bool quiet) : m_enabled(!quiet && isatty(STDERR_FILENO)) { m_clock.start(); }
    ~TerminalProgress()
    {
        if (m_shown)
            print(QStringLiteral("\n"));
    }
    bool operator()(int percent)
    {
        if (m_enabled && (m_shown || m_clock.elapsed() > 1000)) {
            m_shown = true;
            print(QStringLiteral("\r%1%").arg(percent, 3));
        }
        return true;
    }

private:
    bool m_enabled;
    bool m_shown = false;
    QElapsedTimer m_clock;
};

bool wantsWholeImage(const QString &path, QByteArray *format)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QStringLiteral("png"))
        *format = "png";
    else if (suffix == QStringLiteral("jpg") || suffix == QStringLiteral("jpeg"))
        *format = "jpeg";
    else
        return false;
    return true;
}

// Writes the page to path: PNG or JPEG by the name's extension when the page fits in memory, a BMP
// file band by band otherwise.
int writePage(BandSource &page, const QString &path, bool quiet)
{
    const QSize size = page.pageSize();
    QByteArray format;
    if (wantsWholeImage(path, &format)) {
        if (qint64(size.width()) * size.height() > kMaxWholePagePixels)
            return failure(path, QStringLiteral("page too large for %1 (%2 × %3 pixels); write a .bmp file instead")
                                     .arg(QString::fromLatin1(format).toUpper())
                                     .arg(size.width())
                                     .arg(size.height()));
        QImage image(size, QImage::Format_RGB32);
        if (image.isNull())
            return failure(
                path,
                QStringLiteral("not enough memory for a page of %1 × %2 pixels").arg(size.width()).arg(size.height()));
        if (!page.drawBand(image, 0))
            return failure(path, page.error());
        const FileResult saved = saveAtomically(path, [&](QIODevice *device) {
            QImageWriter writer(device, format);
            if (!writer.write(image))
                return FileResult::failed(writer.errorString());
            return FileResult{};
        });
        return saved ? 0 : failure(path, saved.error);
    }
    TerminalProgress progress(quiet);
    BmpWriteOptions options;
    options.progress = [&progress](int percent) { return progress(percent); };
    const FileResult saved = saveBmp24File(path, page, options);
    return saved ? 0 : failure(path, saved.error);
}

// One text stamp, drawn as the text tool draws it at a double-click.
struct StampRequest {
    QString text;
    QPointF place; // page pixels
    FontDesc font = FontDesc::boldChinese(QStringLiteral("宋体"), 14.25);
    QColor color = QColor(128, 255, 128);
    float angle = 0;
};

// A page with text stamped over it, band by band: each stamp is drawn into every band it reaches,
// moved up by the band's top, so that it comes out as drawn once on the whole page.
class StampedPage : public BandSource {
public:
    StampedPage(BandSource &page, const QList<StampRequest> &stamps) : m_page(page)
    {
        for (const StampRequest &request : stamps) {
            auto stamp = std::make_unique<Stamp>();
            stamp->request = request;
            stamp->font.setLogFont(&stamp->request.font);
            stamp->font.setRotation(request.angle);
            stamp->reach = reachOf(*stamp);
            m_stamps.push_back(std::move(stamp));
        }
    }
    QSize pageSize() const override { return m_page.pageSize(); }
    QString error() const override { return m_page.error(); }
    // Stamps break the rows' repetition.
    int rowPeriod() const override { return m_stamps.empty() ? m_page.rowPeriod() : 0; }
    int columnPeriod() const override { return m_stamps.empty() ? m_page.columnPeriod() : 0; }
    bool drawBand(QImage &band, int top) override
    {
        if (!m_page.drawBand(band, top))
            return false;
        const QRectF rows(0, top, band.width(), band.height());
        for (const auto &stamp : m_stamps) {
            if (!stamp->reach.intersects(rows))
                continue;
            drawStampText(band, stamp->request.place - QPointF(0, top), stamp->request.text, stamp->font.Handle(),
                          stamp->request.font, stamp->request.color);
        }
        return true;
    }

private:
    struct Stamp {
        StampRequest request;
        CLogFont font;
        QRectF reach; // page pixels the stamp may touch
    };

    // Generous: the text's box turned about its reference point, with a line's height all round for
    // slanted, underlined and smoothed edges.
    static QRectF reachOf(const Stamp &stamp)
    {
        QImage probe(1, 1, QImage::Format_RGB32);
        const QFontMetricsF metrics(stamp.request.font.toQFont(), &probe);
        const qreal line = qMax<qreal>(metrics.height(), 1) * 4 + stamp.request.font.size * 4;
        QRectF box(0, 0, metrics.horizontalAdvance(stamp.request.text) * 4 + line, line);
        box.adjust(-line, -line, line, line);
        QTransform turn;
        turn.translate(stamp.request.place.x(), stamp.request.place.y());
        turn.rotate(-stamp.request.angle);
        return turn.mapRect(box);
    }

    BandSource &m_page;
    std::vector<std::unique_ptr<Stamp>> m_stamps;
};

// Page lengths as typed into 宽度 and 高度 (twips, single precision, as the main window reads them) or
// pixels; nothing when not a usable length.
std::optional<int> pagePixels(const QString &text, bool twips)
{
    bool ok = false;
    if (!twips) {
        const int pixels = text.toInt(&ok);
        return ok && pixels >= 1 ? std::optional<int>(pixels) : std::nullopt;
    }
    const float single = float(QLocale::c().toDouble(text.trimmed(), &ok));
    const std::optional<int> outer = twipsToPixelsChecked(double(single));
    if (!ok || !std::isfinite(single) || single <= 0 || !outer || *outer < 1)
        return std::nullopt;
    // The page's image is its inside, at least a pixel.
    return qMax(1, *outer - 2 * kPageBorder);
}

bool parseFlag(const QString &value, bool *flag)
{
    if (value == QStringLiteral("1") || value == QStringLiteral("yes") || value == QStringLiteral("true"))
        *flag = true;
    else if (value == QStringLiteral("0") || value == QStringLiteral("no") || value == QStringLiteral("false"))
        *flag = false;
    else
        return false;
    return true;
}

// "x=X,y=Y[,face=F][,size=S][,color=C][,angle=A][,bold=1][,italic=1][,underline=1][,strikeout=1],text=TEXT":
// text comes last and takes the rest, commas included. x and y in the page's unit.
std::optional<StampRequest> parseStamp(const QString &request, bool twips, QString *error)
{
    StampRequest stamp;
    bool haveX = false, haveY = false, haveText = false;
    int at = 0;
    while (at < request.size()) {
        const int equals = request.indexOf(QLatin1Char('='), at);
        if (equals < 0) {
            *error = QStringLiteral("'%1' has no value").arg(request.mid(at));
            return std::nullopt;
        }
        const QString key = request.mid(at, equals - at).trimmed();
        if (key == QStringLiteral("text")) {
            stamp.text = request.mid(equals + 1);
            haveText = !stamp.text.isEmpty();
            break;
        }
        int comma = request.indexOf(QLatin1Char(','), equals);
        if (comma < 0)
            comma = int(request.size());
        const QString value = request.mid(equals + 1, comma - equals - 1).trimmed();
        at = comma + 1;
        bool ok = true;
        if (key == QStringLiteral("x") || key == QStringLiteral("y")) {
            const double v = QLocale::c().toDouble(value, &ok);
            ok = ok && std::isfinite(v) && std::abs(v) < 1e9;
            const double pixels = twips ? twipsToPixels(v) : v;
            (key == QStringLiteral("x") ? haveX : haveY) = ok;
            if (key == QStringLiteral("x"))
                stamp.place.setX(pixels);
            else
                stamp.place.setY(pixels);
        } else if (key == QStringLiteral("face")) {
            stamp.font.name = value;
            ok = !value.isEmpty();
        } else if (key == QStringLiteral("size")) {
            const double points = QLocale::c().toDouble(value, &ok);
            ok = ok && points > 0 && points <= 2048;
            stamp.font.size = FontDesc::roundSize(points);
        } else if (key == QStringLiteral("color") || key == QStringLiteral("colour")) {
            stamp.color = QColor::fromString(value);
            ok = stamp.color.isValid();
        } else if (key == QStringLiteral("angle")) {
            const double degrees = QLocale::c().toDouble(value, &ok);
            ok = ok && std::isfinite(degrees);
            stamp.angle = float(degrees);
        } else if (key == QStringLiteral("bold")) {
            ok = parseFlag(value, &stamp.font.bold);
            stamp.font.weight = stamp.font.bold ? 700 : 400;
        } else if (key == QStringLiteral("italic")) {
            ok = parseFlag(value, &stamp.font.italic);
        } else if (key == QStringLiteral("underline")) {
            ok = parseFlag(value, &stamp.font.underline);
        } else if (key == QStringLiteral("strikeout")) {
            ok = parseFlag(value, &stamp.font.strikethrough);
        } else {
            *error = QStringLiteral("unknown stamp key '%1'").arg(key);
            return std::nullopt;
        }
        if (!ok) {
            *error = QStringLiteral("bad stamp value %1=%2").arg(key, value);
            return std::nullopt;
        }
    }
    if (!haveX || !haveY || !haveText) {
        *error = QStringLiteral("a stamp needs x=, y= and text= (last)");
        return std::nullopt;
    }
    return stamp;
}

// Metafiles may hold text; other pictures need no fonts.
bool mayDrawText(const QString &pictureFile)
{
    if (pictureFile.isEmpty())
        return false;
    QFile file(pictureFile);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const PictureFormat format = sniffPictureFormat(file.read(4096));
    return format == PictureFormat::Wmf || format == PictureFormat::Emf;
}

struct TileJob {
    QSize page;
    QString patternFile;
    int sample = 0;
    QList<StampRequest> stamps;
    QString output;
    bool quiet = false;
};

int runTile(const TileJob &job)
{
    // A BMP page too large for the format is refused before any work.
    QByteArray format;
    if (const FileResult fits = checkBmp24Size(job.page); !fits && !wantsWholeImage(job.output, &format))
        return failure(job.output, fits.error);
    const Picture pattern = patternPicture();
    QImage source = pattern.image;
    QSize tile = pattern.naturalSize;
    if (!job.patternFile.isEmpty()) {
        const PictureLoadResult loaded = loadPicture(job.patternFile);
        if (!loaded.ok())
            return failure(job.patternFile, loaded.error);
        // As after 打开: the picture is the pattern, and its size the tile size.
        source = loaded.picture.image;
        tile = loaded.picture.naturalSize;
    } else if (job.sample > 0) {
        // As the 样图 menu: the sample scaled to the pattern's size.
        source = samplePicture(job.sample).image;
    }
    if (source.isNull() || tile.isEmpty())
        return failure(job.patternFile, QStringLiteral("no picture to tile"));
    TileBandSource tiles(job.page, kWindowGreen, source, tile);
    StampedPage page(tiles, job.stamps);
    return writePage(page, job.output, job.quiet);
}

void addCommonOptions(QCommandLineParser &parser)
{
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(QCommandLineOption({QStringLiteral("o"), QStringLiteral("output")},
                                        QStringLiteral("The page's file: a BMP file, or PNG/JPEG by a .png, .jpg or "
                                                       ".jpeg name when the page fits in memory."),
                                        QStringLiteral("file")));
    parser.addOption(QCommandLineOption(QStringLiteral("quiet"), QStringLiteral("No progress on the terminal.")));
}

// --help, --version and the parse itself; nothing when the command goes on.
std::optional<CommandLineOutcome> answerParser(QCommandLineParser &parser, const QString &command,
                                               const QStringList &arguments)
{
    if (!parser.parse(QStringList{programName()} + arguments))
        return answered(usageError(command, parser.errorText()));
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(parser.helpText().toUtf8().constData(), stdout);
        return answered(0);
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::fputs(
            QStringLiteral("%1 %2\n").arg(programName(), QCoreApplication::applicationVersion()).toUtf8().constData(),
            stdout);
        return answered(0);
    }
    return std::nullopt;
}

// The output options every kind shares: -o is required.
std::optional<CommandLineOutcome> readOutput(const QCommandLineParser &parser, const QString &command, QString *output,
                                             bool *quiet)
{
    if (!parser.positionalArguments().isEmpty())
        return answered(
            usageError(command, QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first())));
    *output = parser.value(QStringLiteral("output"));
    if (output->isEmpty())
        return answered(usageError(command, QStringLiteral("-o FILE is required")));
    *quiet = parser.isSet(QStringLiteral("quiet"));
    return std::nullopt;
}

CommandLineOutcome parseTile(const QStringList &arguments)
{
    const QString command = QStringLiteral("render tile");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Draws the main window's page: the pattern tiled from the top-left corner, with text stamped "
                       "over it, as 保存 writes it."));
    addCommonOptions(parser);
    parser.addOption(QCommandLineOption(QStringLiteral("width"), QStringLiteral("Page width, as typed into 宽度."),
                                        QStringLiteral("W")));
    parser.addOption(QCommandLineOption(QStringLiteral("height"), QStringLiteral("Page height, as typed into 高度."),
                                        QStringLiteral("H")));
    parser.addOption(QCommandLineOption(QStringLiteral("unit"),
                                        QStringLiteral("twip (default: the window's outer size, less its border) or "
                                                       "px (the picture's size); also the unit of stamp places."),
                                        QStringLiteral("unit"), QStringLiteral("twip")));
    parser.addOption(QCommandLineOption(QStringLiteral("pattern"),
                                        QStringLiteral("Tile with this picture at its own size, as after 打开."),
                                        QStringLiteral("file")));
    parser.addOption(QCommandLineOption(QStringLiteral("sample"),
                                        QStringLiteral("Tile with sample N (1-12) scaled to the pattern, as 样图N."),
                                        QStringLiteral("N")));
    parser.addOption(QCommandLineOption(
        QStringLiteral("stamp"),
        QStringLiteral("Stamp text, as a double-click with the text tool does; repeatable. STAMP is "
                       "x=X,y=Y[,face=宋体][,size=14.25][,color=#80ff80][,angle=0][,bold=1][,italic=0]"
                       "[,underline=0][,strikeout=0],text=TEXT (text last; it may hold commas)."),
        QStringLiteral("STAMP")));
    if (auto answered = answerParser(parser, command, arguments))
        return *answered;
    TileJob job;
    if (auto answered = readOutput(parser, command, &job.output, &job.quiet))
        return *answered;

    const QString unit = parser.value(QStringLiteral("unit"));
    if (unit != QStringLiteral("twip") && unit != QStringLiteral("px"))
        return answered(usageError(command, QStringLiteral("--unit must be twip or px, not '%1'").arg(unit)));
    const bool twips = unit == QStringLiteral("twip");
    for (const char *name : {"width", "height"}) {
        const QString option = QString::fromLatin1(name);
        if (!parser.isSet(option))
            return answered(usageError(command, QStringLiteral("--%1 is required").arg(option)));
        const std::optional<int> pixels = pagePixels(parser.value(option), twips);
        if (!pixels)
            return answered(
                usageError(command, QStringLiteral("--%1 must be a number greater than 0 (%2), not '%3'")
                                        .arg(option, twips ? QStringLiteral("twips") : QStringLiteral("whole pixels"),
                                             parser.value(option))));
        (option == QStringLiteral("width") ? job.page.rwidth() : job.page.rheight()) = *pixels;
    }
    if (parser.isSet(QStringLiteral("pattern")) && parser.isSet(QStringLiteral("sample")))
        return answered(usageError(command, QStringLiteral("--pattern and --sample exclude each other")));
    job.patternFile = parser.value(QStringLiteral("pattern"));
    if (parser.isSet(QStringLiteral("pattern")) && job.patternFile.isEmpty())
        return answered(usageError(command, QStringLiteral("--pattern needs a file name")));
    if (parser.isSet(QStringLiteral("sample"))) {
        bool ok = false;
        job.sample = parser.value(QStringLiteral("sample")).toInt(&ok);
        if (!ok || job.sample < 1 || job.sample > 12)
            return answered(usageError(
                command,
                QStringLiteral("--sample must be 1 to 12, not '%1'").arg(parser.value(QStringLiteral("sample")))));
    }
    for (const QString &request : parser.values(QStringLiteral("stamp"))) {
        QString error;
        const std::optional<StampRequest> stamp = parseStamp(request, twips, &error);
        if (!stamp)
            return answered(usageError(command, QStringLiteral("--stamp: %1").arg(error)));
        job.stamps.append(*stamp);
    }
    const bool needsFonts = !job.stamps.isEmpty() || mayDrawText(job.patternFile);
    return {false, 0, [job] { return runTile(job); }, needsFonts};
}

CommandLineOutcome parseBoard(const QStringList &arguments)
{
    const QString command = QStringLiteral("render board");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Draws the chessboard-style window's photo wall, as the window shows it: the background picture with the "
        "foregrounds of a position file over it. A foreground that cannot be loaded is named on stderr and left "
        "out, as the window leaves it out."));
    addCommonOptions(parser);
    parser.addOption(QCommandLineOption(QStringLiteral("positions"),
                                        QStringLiteral("The position file (*.pos); foreground names in it are "
                                                       "resolved as the window resolves them."),
                                        QStringLiteral("file")));
    parser.addOption(QCommandLineOption(QStringLiteral("background"), QStringLiteral("The background picture."),
                                        QStringLiteral("file")));
    if (auto answered = answerParser(parser, command, arguments))
        return *answered;
    for (const char *name : {"positions", "background"})
        if (parser.value(QString::fromLatin1(name)).isEmpty())
            return answered(usageError(command, QStringLiteral("--%1 FILE is required").arg(QLatin1String(name))));
    QString output;
    bool quiet = false;
    if (auto answered = readOutput(parser, command, &output, &quiet))
        return *answered;
    const QString positions = parser.value(QStringLiteral("positions"));
    const QString background = parser.value(QStringLiteral("background"));
    // Foregrounds may be metafiles with text: fonts are set up.
    return {false, 0,
            [=] {
                QString error;
                const auto warn = [](const QString &text) {
                    print(QStringLiteral("%1: %2\n").arg(programName(), text));
                };
                const std::unique_ptr<BandSource> page = makeBoardBandSource(positions, background, &error, warn);
                return page ? writePage(*page, output, quiet) : failure(error);
            },
            true};
}

CommandLineOutcome parseMap(const QStringList &arguments)
{
    const QString command = QStringLiteral("render map");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Draws the map-style window's page, as 整版保存 writes it: a grid of cells read from a map file, each "
        "empty or showing one of ten small pictures."));
    addCommonOptions(parser);
    parser.addOption(
        QCommandLineOption(QStringLiteral("map"), QStringLiteral("The map file."), QStringLiteral("file")));
    parser.addOption(QCommandLineOption(
        QStringLiteral("columns"), QStringLiteral("Cells across, as typed into the window."), QStringLiteral("C")));
    parser.addOption(QCommandLineOption(QStringLiteral("rows"), QStringLiteral("Cells down, as typed into the window."),
                                        QStringLiteral("R")));
    parser.addOption(QCommandLineOption(QStringLiteral("pictures"),
                                        QStringLiteral("Ten small picture files, comma-separated, in place of the "
                                                       "built-in ones; the first sets the cell size."),
                                        QStringLiteral("F1,...,F10")));
    if (auto answered = answerParser(parser, command, arguments))
        return *answered;
    if (parser.value(QStringLiteral("map")).isEmpty())
        return answered(usageError(command, QStringLiteral("--map FILE is required")));
    int counts[2] = {0, 0};
    for (int i = 0; i < 2; ++i) {
        const QString option = QString::fromLatin1(i == 0 ? "columns" : "rows");
        bool ok = false;
        counts[i] = parser.value(option).toInt(&ok);
        if (!ok || counts[i] < 1)
            return answered(usageError(command, QStringLiteral("--%1 must be a whole number greater than 0, not '%2'")
                                                    .arg(option, parser.value(option))));
    }
    QStringList pictures;
    if (parser.isSet(QStringLiteral("pictures"))) {
        pictures = parser.value(QStringLiteral("pictures")).split(QLatin1Char(','));
        if (pictures.size() != 10 || pictures.contains(QString()))
            return answered(usageError(command, QStringLiteral("--pictures needs ten file names, comma-separated")));
    }
    QString output;
    bool quiet = false;
    if (auto answered = readOutput(parser, command, &output, &quiet))
        return *answered;
    const QString map = parser.value(QStringLiteral("map"));
    bool needsFonts = false;
    for (const QString &picture : pictures)
        needsFonts = needsFonts || mayDrawText(picture);
    return {false, 0,
            [=] {
                QString error;
                const std::unique_ptr<BandSource> page = makeMapBandSource(map, counts[0], counts[1], pictures, &error);
                return page ? writePage(*page, output, quiet) : failure(error);
            },
            needsFonts};
}

} // namespace

CommandLineOutcome parseRenderCommand(const QStringList &arguments)
{
    const QString kind = arguments.value(0);
    if (kind == QStringLiteral("tile"))
        return parseTile(arguments.mid(1));
    if (kind == QStringLiteral("board"))
        return parseBoard(arguments.mid(1));
    if (kind == QStringLiteral("map"))
        return parseMap(arguments.mid(1));
    if (kind == QStringLiteral("--help") || kind == QStringLiteral("-h") || kind.isEmpty()) {
        const QString help = QStringLiteral("Usage: %1 render tile|board|map [options] -o FILE\n\n"
                                            "Draws a page as the windows save it, without a display:\n"
                                            "  tile   the main window's page ('%1 render tile --help')\n"
                                            "  board  the chessboard-style window's page ('%1 render board --help')\n"
                                            "  map    the map-style window's page ('%1 render map --help')\n")
                                 .arg(programName());
        if (kind.isEmpty())
            return answered(usageError(QStringLiteral("render"), QStringLiteral("render needs tile, board or map")));
        std::fputs(help.toUtf8().constData(), stdout);
        return answered(0);
    }
    return answered(usageError(QStringLiteral("render"), QStringLiteral("unknown page kind '%1'").arg(kind)));
}

} // namespace ptt
