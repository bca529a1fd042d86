// libFuzzer entry for the position file reader: any bytes at all must read
// without a crash or a hang, and every record it accepts must write back as a
// line that reads the same.
#include "chessboard/positionfile.h"

#include <QBuffer>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    ptt::PositionFile::Read(&buffer, [](const ptt::PositionRecord &record) {
        const QByteArray line = ptt::PositionFile::formatRecord(record);
        if (!line.isEmpty()) {
            ptt::PositionRecord back;
            if (!ptt::PositionFile::parseLine(line.chopped(2), &back) || back != record)
                std::abort();
        }
        return true;
    });
    return 0;
}
