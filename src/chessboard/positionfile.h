#pragma once
// Position files (*.pos): the foregrounds of a chessboard-style document, one
// text line per foreground: "name",left,top,width,height CR LF. Numbers are
// twips on the board; text is GBK. Reading and writing go through a
// QIODevice; errors come back as text for the caller to show.
#include "formats/fileio.h"

#include <QList>
#include <QString>
#include <functional>

namespace ptt {

// One foreground: the picture file as the chooser named it (relative to
// AppDir with backslashes, or a full path) and its rectangle in twips.
struct PositionRecord {
    QString FileName;
    float Left = 0;
    float Top = 0;
    float Width = 0;
    float Height = 0;

    bool operator==(const PositionRecord &o) const
    {
        return FileName == o.FileName && Left == o.Left && Top == o.Top && Width == o.Width && Height == o.Height;
    }
    bool operator!=(const PositionRecord &o) const { return !(*this == o); }
};

namespace PositionFile {

// Longest line the reader looks at; longer lines are skipped unread.
constexpr qint64 kMaxLineBytes = 64 * 1024;

// A float as the file writes it: C locale, shortest text that reads back
// to the same float, never an exponent; whole numbers have no point.
QByteArray formatNumber(float value);

// The line of one record, CR LF included. Fails (empty result, *error set)
// for a name GBK cannot hold, a name with a quote or line break, or a
// number that is not finite.
QByteArray formatRecord(const PositionRecord &record, QString *error = nullptr);

// Writes every record; nothing is written when any record is refused.
[[nodiscard]] FileResult Write(QIODevice *device, const QList<PositionRecord> &records);

// Writes through saveAtomically: a failed save leaves the old file as it was.
[[nodiscard]] FileResult Save(const QString &path, const QList<PositionRecord> &records);

// Parses one line (without its line end). False for a malformed line.
bool parseLine(const QByteArray &line, PositionRecord *record);

// Not ok when the device could not be read at all.
struct ReadResult : FileResult {
    int records = 0;      // records handed to the caller
    int skippedLines = 0; // malformed, blank or over-long lines
    bool stopped = false; // the caller asked to stop
};

// Reads record by record, handing each to onRecord before the next is read;
// onRecord returns false to stop. Malformed lines are skipped and counted.
ReadResult Read(QIODevice *device, const std::function<bool(const PositionRecord &)> &onRecord);

// Convenience: all records of a file.
ReadResult Load(const QString &path, QList<PositionRecord> *records);

} // namespace PositionFile

// Names in position files are relative to AppDir with backslashes between
// folders. A file outside AppDir keeps its full path.
QString positionNameFromPath(const QString &path);
// The file a stored name refers to: backslashes are folder separators and
// relative names are resolved against AppDir.
QString pathFromPositionName(const QString &name);

} // namespace ptt
