// The system's figure: MemAvailable of /proc/meminfo (free memory plus what the
// kernel can reclaim at once), or the free physical pages where there is no
// /proc; within a control group's memory limit (a container's), what the
// limit leaves when that is less.
#include "memorybudget.h"

#include <QFile>
#include <QList>

#include <algorithm>

#include <unistd.h>

namespace ptt {

namespace {

QByteArray readSmall(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(4096) : QByteArray();
}

// The least room any memory limit on this process's control group leaves; -1 when none is set.
qint64 cgroupRoom()
{
    qint64 room = -1;
    const auto take = [&room](const QString &folder, const char *limit, const char *usage) {
        const qint64 r =
            parseCgroupRoom(readSmall(folder + QLatin1String(limit)), readSmall(folder + QLatin1String(usage)));
        if (r >= 0 && (room < 0 || r < room))
            room = r;
    };
    for (const QByteArray &line : readSmall(QStringLiteral("/proc/self/cgroup")).split('\n')) {
        const QList<QByteArray> parts = line.split(':');
        if (parts.size() != 3 || parts[2].contains(".."))
            continue;
        const QString path = QString::fromUtf8(parts[2]);
        if (parts[0] == "0" && parts[1].isEmpty())
            take(QStringLiteral("/sys/fs/cgroup") + path + QLatin1Char('/'), "memory.max", "memory.current");
        else if (parts[1].split(',').contains("memory"))
            take(QStringLiteral("/sys/fs/cgroup/memory") + path + QLatin1Char('/'), "memory.limit_in_bytes",
                 "memory.usage_in_bytes");
    }
    // Inside a container the group's own files are often mounted at the root.
    take(QStringLiteral("/sys/fs/cgroup/"), "memory.max", "memory.current");
    take(QStringLiteral("/sys/fs/cgroup/memory/"), "memory.limit_in_bytes", "memory.usage_in_bytes");
    return room;
}

class SystemMemoryBudget : public MemoryBudget {
public:
    qint64 availableBytes() override
    {
        const qint64 system = systemAvailable();
        const qint64 group = cgroupRoom();
        if (system < 0 || group < 0)
            return std::max(system, group);
        return std::min(system, group);
    }

private:
    static qint64 systemAvailable()
    {
        QFile meminfo(QStringLiteral("/proc/meminfo"));
        // A /proc file reports size 0: read it whole, not by its size.
        if (meminfo.open(QIODevice::ReadOnly)) {
            const qint64 bytes = parseMemAvailable(meminfo.readAll());
            if (bytes >= 0)
                return bytes;
        }
        const long pages = sysconf(_SC_AVPHYS_PAGES);
        const long pageSize = sysconf(_SC_PAGESIZE);
        if (pages < 0 || pageSize <= 0)
            return -1;
        return qint64(pages) * pageSize;
    }
};

} // namespace

MemoryBudget *createSystemMemoryBudget()
{
    static SystemMemoryBudget budget;
    return &budget;
}

} // namespace ptt
