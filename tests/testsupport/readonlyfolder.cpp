#include "readonlyfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/fsuid.h>
#include <unistd.h>

namespace ptt::test {

namespace {

constexpr uid_t kNobody = 65534;

void addPermissions(const QString &path, QFileDevice::Permissions add)
{
    QFile::setPermissions(path, QFile::permissions(path) | add);
}

} // namespace

ReadOnlyFolder::ReadOnlyFolder(const QString &folder, const QString &fileName, const QByteArray &content)
    : m_folder(folder), m_file(QDir(folder).filePath(fileName))
{
    QDir().mkpath(folder);
    QFile file(m_file);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
    file.close();
    const auto everyone = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther |
                          QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
    QFile::setPermissions(m_file, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                                      QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther);
    addPermissions(QFileInfo(folder).absolutePath(), QFileDevice::ExeGroup | QFileDevice::ExeOther);
    QFile::setPermissions(folder, everyone);
    if (geteuid() == 0) {
        // The filesystem user id alone: dropping it also drops the capability
        // to override file permissions, and setting it back restores it.
        setfsuid(kNobody);
        m_unprivileged = true;
    }
}

ReadOnlyFolder::~ReadOnlyFolder()
{
    if (m_unprivileged)
        setfsuid(0);
    addPermissions(m_folder, QFileDevice::WriteOwner);
}

bool ReadOnlyFolder::ready() const
{
    QFile file(m_file);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    file.close();
    QFile probe(QDir(m_folder).filePath(QStringLiteral("probe")));
    if (probe.open(QIODevice::WriteOnly)) {
        probe.remove();
        return false;
    }
    return true;
}

} // namespace ptt::test
