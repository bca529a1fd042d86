// The system's figure: MemAvailable of /proc/meminfo (free memory plus what the
// kernel can reclaim at once), or the free physical pages where there is no
// /proc.
#include "memorybudget.h"

#include <QFile>

#include <unistd.h>

namespace ptt {

namespace {

class SystemMemoryBudget : public MemoryBudget {
public:
    qint64 availableBytes() override
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
