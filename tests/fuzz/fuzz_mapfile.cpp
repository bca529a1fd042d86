// libFuzzer entry for the map file reader: the first two bytes give the
// grid's columns and rows, the rest is the file. Every read must give exactly
// the grid's cells, each 0..10, count the values it refused, write back as
// the same bytes where the file held good values, and draw.
#include "map/mapgrid.h"
#include "platform/units.h"

#include <QBuffer>

#include <cstdint>
#include <cstdlib>

namespace {

// Grids of up to 32 x 32 cells: the reader does the same for any count, and
// larger grids only spend the time on more cells of the same kind.
constexpr int kMaxSide = 32;
const QSizeF kCell(1.5, 2.5);

ptt::Picture redPixel()
{
    ptt::Picture p;
    p.image = QImage(1, 1, QImage::Format_RGB32);
    p.image.fill(Qt::red);
    p.naturalSize = QSize(1, 1);
    return p;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace ptt;
    if (size < 2)
        return 0;
    MapGrid grid;
    const QString cols = QString::number(1 + data[0] % kMaxSide), rows = QString::number(1 + data[1] % kMaxSide);
    if (!grid.SetUpGrid(cols, rows, kCell))
        std::abort();
    // Read where libFuzzer put it: a read past the end is the sanitizer's to see.
    QByteArray file = QByteArray::fromRawData(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));
    QBuffer buffer(&file);
    buffer.open(QIODevice::ReadOnly);
    const MapFileRead read = readMapCells(&buffer, grid.cellCount());
    if (!read.ok || read.cells.size() != grid.cellCount())
        std::abort();
    int refused = 0;
    const QByteArray back = encodeMapCells(read.cells);
    for (int i = 0; i < read.cells.size(); ++i) {
        const qint16 v = read.cells[i];
        if (v < 0 || v > MapGrid::kPictureCount)
            std::abort();
        if (2 * i + 1 < file.size()) {
            const qint16 stored = qint16(quint16(uchar(file[2 * i])) | quint16(uchar(file[2 * i + 1])) << 8);
            const bool good = stored >= 0 && stored <= MapGrid::kPictureCount;
            refused += !good;
            if (good && (back[2 * i] != file[2 * i] || back[2 * i + 1] != file[2 * i + 1]))
                std::abort();
        }
    }
    if (refused != read.outOfRange)
        std::abort();
    grid.MapCells = read.cells;
    // Drawn on one buffer kept for the whole run rather than a fresh image
    // each time, which the sanitizer takes from memory it has not reused yet.
    static QImage canvas((kCell * kMaxSide).toSize() + QSize(1, 1), QImage::Format_RGB32);
    static const Picture small = redPixel();
    const QSize client = grid.clientSize();
    if (client.width() > canvas.width() || client.height() > canvas.height())
        std::abort();
    QImage image(canvas.bits(), client.width(), client.height(), canvas.bytesPerLine(), QImage::Format_RGB32);
    grid.Redraw(image, Qt::white, Qt::black, [](int) { return &small; });
    // Every cell that holds a picture shows it at its corner.
    for (int i = 0; i < grid.MapCells.size(); ++i) {
        const QPoint at(roundHalfEvenInt((i % grid.GridCols) * grid.CellWidth),
                        roundHalfEvenInt((i / grid.GridCols) * grid.CellHeight));
        if (grid.MapCells[i] != 0 && image.pixel(at) != qRgb(255, 0, 0))
            std::abort();
    }
    // Typed sizes: any text is a number in range or nothing.
    const QString text = QString::fromLatin1(file.left(32));
    const std::optional<int> parsed = MapGrid::parseSize(text);
    if (parsed && (*parsed < -32768 || *parsed > 32767))
        std::abort();
    MapGrid::checkSize(parsed, MapGrid::parseSize(text.mid(1)));
    return 0;
}
