// libFuzzer entry for the map file reader: the first two bytes give the
// grid's columns and rows, the rest is the file. Every read must give exactly
// the grid's cells, each 0..10, count the values it refused, write back as
// the same bytes where the file held good values, and draw.
#include "map/mapgrid.h"

#include <QBuffer>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace ptt;
    if (size < 2)
        return 0;
    MapGrid grid;
    const QString cols = QString::number(1 + data[0] % 64), rows = QString::number(1 + data[1] % 64);
    if (!grid.SetUpGrid(cols, rows, QSizeF(1.5, 2.5)))
        std::abort();
    QByteArray file(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));
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
    QImage image(grid.clientSize(), QImage::Format_RGB32);
    Picture small;
    small.image = QImage(1, 1, QImage::Format_RGB32);
    small.image.fill(Qt::red);
    small.naturalSize = QSize(1, 1);
    grid.Redraw(image, Qt::white, Qt::black, [&small](int) { return &small; });
    // Typed sizes: any text is a number in range or nothing.
    const QString text = QString::fromLatin1(file.left(32));
    const std::optional<int> parsed = MapGrid::parseSize(text);
    if (parsed && (*parsed < -32768 || *parsed > 32767))
        std::abort();
    MapGrid::checkSize(parsed, MapGrid::parseSize(text.mid(1)));
    return 0;
}
