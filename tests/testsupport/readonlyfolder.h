#pragma once
// A folder where the test may not create files but may write the one file
// already there: where a save must fail rather than write the file in place.
#include <QByteArray>
#include <QString>

namespace ptt::test {

class ReadOnlyFolder {
public:
    // Creates folder (its parent must exist) holding fileName with content,
    // makes the parent searchable by everyone and the folder read-only. Root
    // may write anywhere, so while the object lives a test run as root has
    // its file access checked as an unprivileged user.
    ReadOnlyFolder(const QString &folder, const QString &fileName, const QByteArray &content);
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder &) = delete;
    ReadOnlyFolder &operator=(const ReadOnlyFolder &) = delete;

    QString file() const { return m_file; }
    // Whether the file can be written and no file created beside it.
    bool ready() const;

private:
    QString m_folder;
    QString m_file;
    bool m_unprivileged = false;
};

} // namespace ptt::test
