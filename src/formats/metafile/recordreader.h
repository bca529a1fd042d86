#pragma once
// Bounds-checked little-endian reads inside one record: a read past the end
// gives 0 and marks the reader bad, so a short record can never reach
// outside the file.
#include <QtGlobal>

#include <cstring>

namespace ptt::metafile {

class RecordReader {
public:
    RecordReader(const uchar *data, quint32 size) : m_data(data), m_size(size) {}
    quint32 size() const { return m_size; }
    const uchar *data() const { return m_data; }
    bool has(quint64 offset, quint64 bytes) const { return offset <= m_size && bytes <= m_size - offset; }
    bool bad() const { return m_bad; }

    quint8 u8(quint32 at) const { return has(at, 1) ? m_data[at] : fail(); }
    quint16 u16(quint32 at) const { return has(at, 2) ? quint16(m_data[at] | m_data[at + 1] << 8) : fail(); }
    qint16 i16(quint32 at) const { return qint16(u16(at)); }
    quint32 u32(quint32 at) const
    {
        return has(at, 4) ? quint32(m_data[at]) | quint32(m_data[at + 1]) << 8 | quint32(m_data[at + 2]) << 16 |
                                quint32(m_data[at + 3]) << 24
                          : fail();
    }
    qint32 i32(quint32 at) const { return qint32(u32(at)); }
    float f32(quint32 at) const
    {
        const quint32 v = u32(at);
        float f;
        std::memcpy(&f, &v, 4);
        return f;
    }

private:
    quint8 fail() const
    {
        m_bad = true;
        return 0;
    }
    const uchar *m_data;
    quint32 m_size;
    mutable bool m_bad = false;
};

} // namespace ptt::metafile
