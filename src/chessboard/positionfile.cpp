#include "positionfile.h"

#include "platform/appdir.h"

#include <QDir>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <utility>

namespace ptt {

namespace {

const char *const kCodec = "GBK";

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// GBK keeps ASCII as it is: names of ASCII alone (most of them) need no
// converter, which costs more to make than a whole line to read.
QString decodeName(const QByteArray &bytes, bool *ok)
{
    if (std::all_of(bytes.cbegin(), bytes.cend(), [](char c) { return uchar(c) < 0x80; })) {
        *ok = true;
        return QString::fromLatin1(bytes);
    }
    QStringDecoder decoder(kCodec, QStringConverter::Flag::Stateless);
    const QString name = decoder.decode(bytes);
    *ok = decoder.isValid() && !decoder.hasError();
    return name;
}

QByteArray encodeName(const QString &name, bool *ok)
{
    if (std::all_of(name.cbegin(), name.cend(), [](QChar c) { return c.unicode() < 0x80; })) {
        *ok = true;
        return name.toLatin1();
    }
    QStringEncoder encoder(kCodec, QStringConverter::Flag::Stateless);
    const QByteArray bytes = encoder.encode(name);
    *ok = encoder.isValid() && !encoder.hasError();
    return bytes;
}

// Reads one number at line[*pos]: optional sign, digits with an optional
// fraction, optional exponent. Leaves *pos after it.
bool parseNumber(const QByteArray &line, qsizetype *pos, float *value)
{
    const qsizetype n = line.size();
    qsizetype i = *pos;
    const qsizetype start = i;
    if (i < n && (line[i] == '+' || line[i] == '-'))
        ++i;
    qsizetype digits = 0;
    while (i < n && line[i] >= '0' && line[i] <= '9') {
        ++i;
        ++digits;
    }
    if (i < n && line[i] == '.') {
        ++i;
        while (i < n && line[i] >= '0' && line[i] <= '9') {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < n && (line[i] == 'e' || line[i] == 'E')) {
        ++i;
        if (i < n && (line[i] == '+' || line[i] == '-'))
            ++i;
        qsizetype expDigits = 0;
        while (i < n && line[i] >= '0' && line[i] <= '9') {
            ++i;
            ++expDigits;
        }
        if (expDigits == 0)
            return false;
    }
    // from_chars takes no plus sign.
    const char *first = line.constData() + start;
    const char *last = line.constData() + i;
    if (*first == '+')
        ++first;
    float v = 0;
    const auto result = std::from_chars(first, last, v, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != last || !std::isfinite(v))
        return false;
    *value = v;
    *pos = i;
    return true;
}

bool hasControlCharacter(const QString &s)
{
    for (QChar c : s)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return true;
    return false;
}

} // namespace

namespace PositionFile {

QByteArray formatNumber(float value)
{
    if (value == 0)
        return QByteArray("0"); // no "-0"
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (result.ec != std::errc())
        return QByteArray();
    return QByteArray(buffer, int(result.ptr - buffer));
}

QByteArray formatRecord(const PositionRecord &record, QString *error)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return QByteArray();
    };
    if (record.FileName.contains(QLatin1Char('"')) || hasControlCharacter(record.FileName))
        return fail(QStringLiteral("文件名“%1”含有引号或控制字符，无法写入位置档。").arg(record.FileName));
    bool encoded = false;
    const QByteArray name = encodeName(record.FileName, &encoded);
    if (!encoded)
        return fail(QStringLiteral("文件名“%1”含有 GBK 编码无法表示的字符，无法写入位置档。").arg(record.FileName));
    const float numbers[4] = {record.Left, record.Top, record.Width, record.Height};
    QByteArray line;
    line.reserve(name.size() + 48);
    line += '"';
    line += name;
    line += '"';
    for (float v : numbers) {
        if (!std::isfinite(v))
            return fail(QStringLiteral("“%1”的位置或大小不是有效数字。").arg(record.FileName));
        line += ',';
        line += formatNumber(v);
    }
    line += "\r\n";
    return line;
}

FileResult Write(QIODevice *device, const QList<PositionRecord> &records)
{
    // Everything is formatted first, so a refused record writes nothing.
    QByteArray data;
    for (const PositionRecord &r : records) {
        QString error;
        const QByteArray line = formatRecord(r, &error);
        if (line.isEmpty())
            return FileResult::failed(error);
        data += line;
    }
    return writeAll(device, data);
}

FileResult Save(const QString &path, const QList<PositionRecord> &records)
{
    return saveAtomically(path, [&records](QIODevice *device) { return Write(device, records); });
}

bool parseLine(const QByteArray &line, PositionRecord *record)
{
    const qsizetype n = line.size();
    qsizetype i = 0;
    auto skipBlanks = [&] {
        while (i < n && isBlank(line[i]))
            ++i;
    };

    skipBlanks();
    QByteArray nameBytes;
    if (i < n && line[i] == '"') {
        const qsizetype close = line.indexOf('"', i + 1);
        if (close < 0)
            return false;
        nameBytes = line.mid(i + 1, close - i - 1);
        i = close + 1;
        skipBlanks();
    } else {
        const qsizetype comma = line.indexOf(',', i);
        if (comma < 0)
            return false;
        nameBytes = line.mid(i, comma - i);
        while (!nameBytes.isEmpty() && isBlank(nameBytes.back()))
            nameBytes.chop(1);
        i = comma;
    }
    if (i >= n || line[i] != ',')
        return false;
    ++i;

    bool decoded = false;
    const QString name = decodeName(nameBytes, &decoded);
    if (!decoded || hasControlCharacter(name))
        return false;

    float numbers[4];
    for (int k = 0; k < 4; ++k) {
        skipBlanks();
        if (!parseNumber(line, &i, &numbers[k]))
            return false;
        skipBlanks();
        if (k < 3) {
            if (i >= n || line[i] != ',')
                return false;
            ++i;
        } else if (i != n) {
            return false; // text after the fifth field
        }
    }
    record->FileName = name;
    record->Left = numbers[0];
    record->Top = numbers[1];
    record->Width = numbers[2];
    record->Height = numbers[3];
    return true;
}

ReadResult Read(QIODevice *device, const std::function<bool(const PositionRecord &)> &onRecord)
{
    ReadResult result;
    auto failRead = [&result, device] {
        static_cast<FileResult &>(result) = readFailed(device);
        return result;
    };
    if (!device->isReadable())
        return failRead();
    QByteArray line;
    bool overlong = false;
    // A line whose record was handed over or skipped; returns false to stop.
    auto finishLine = [&]() -> bool {
        if (overlong) {
            ++result.skippedLines;
            overlong = false;
            line.clear();
            return true;
        }
        if (line.endsWith('\r'))
            line.chop(1);
        bool blank = true;
        for (char c : std::as_const(line))
            if (!isBlank(c)) {
                blank = false;
                break;
            }
        if (blank) {
            // Nothing was lost: not worth a complaint.
            line.clear();
            return true;
        }
        PositionRecord record;
        const bool parsed = parseLine(line, &record);
        line.clear();
        if (!parsed) {
            ++result.skippedLines;
            return true;
        }
        ++result.records;
        if (!onRecord(record)) {
            result.stopped = true;
            return false;
        }
        return true;
    };

    char chunk[64 * 1024];
    for (;;) {
        const qint64 got = device->read(chunk, sizeof chunk);
        if (got < 0)
            return failRead();
        if (got == 0)
            break;
        qint64 at = 0;
        while (at < got) {
            const char *nl = static_cast<const char *>(memchr(chunk + at, '\n', size_t(got - at)));
            const qint64 end = nl ? qint64(nl - chunk) : got;
            if (!overlong) {
                if (line.size() + (end - at) > kMaxLineBytes) {
                    overlong = true;
                    line.clear();
                } else {
                    line.append(chunk + at, end - at);
                }
            }
            at = end;
            if (nl) {
                ++at;
                if (!finishLine())
                    return result;
            }
        }
    }
    // The last line may lack its line end.
    if (overlong || !line.isEmpty())
        finishLine();
    return result;
}

ReadResult Load(const QString &path, QList<PositionRecord> *records)
{
    return loadFrom<ReadResult>(path, [records](QIODevice *device) {
        return Read(device, [records](const PositionRecord &r) {
            records->append(r);
            return true;
        });
    });
}

} // namespace PositionFile

QString positionNameFromPath(const QString &path)
{
    if (path.isEmpty())
        return path;
    const QString clean = QDir::cleanPath(QDir::fromNativeSeparators(path));
    const QString base = AppDir();
    if (clean.startsWith(base) && clean.size() > base.size()) {
        QString rel = clean.mid(base.size());
        rel.replace(QLatin1Char('/'), QLatin1Char('\\'));
        return rel;
    }
    return clean;
}

QString pathFromPositionName(const QString &name)
{
    if (name.isEmpty())
        return name;
    QString path = name;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (QDir::isRelativePath(path))
        path = AppDir() + path;
    return QDir::cleanPath(path);
}

} // namespace ptt
