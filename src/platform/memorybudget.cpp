#include "memorybudget.h"

#include <QList>

#include <algorithm>

namespace ptt {

MemoryBudget *createSystemMemoryBudget(); // memorybudget_system.cpp

namespace {
MemoryBudget *&current()
{
    static MemoryBudget *budget = nullptr;
    return budget;
}
} // namespace

MemoryBudget *MemoryBudget::instance()
{
    static MemoryBudget *real = createSystemMemoryBudget();
    return current() ? current() : real;
}

void MemoryBudget::setInstance(MemoryBudget *budget)
{
    current() = budget;
}

bool MemoryBudget::fits(qint64 bytes)
{
    if (bytes < 0)
        return false;
    const qint64 available = instance()->availableBytes();
    return available < 0 || bytes <= available;
}

qint64 parseMemAvailable(const QByteArray &meminfo)
{
    for (const QByteArray &line : meminfo.split('\n')) {
        if (!line.startsWith("MemAvailable:"))
            continue;
        const QList<QByteArray> parts = line.mid(13).simplified().split(' ');
        bool ok = false;
        const qint64 kib = parts.value(0).toLongLong(&ok);
        // The kernel always writes kB; anything else is not a figure we know.
        if (!ok || kib < 0 || parts.value(1) != "kB" || kib > (qint64(1) << 52))
            return -1;
        return kib * 1024;
    }
    return -1;
}

qint64 parseCgroupRoom(const QByteArray &limit, const QByteArray &usage)
{
    bool limitOk = false;
    bool usageOk = false;
    const qint64 max = limit.trimmed().toLongLong(&limitOk);
    const qint64 used = usage.trimmed().toLongLong(&usageOk);
    // v1 writes "no limit" as the largest page-aligned 63-bit figure.
    if (!limitOk || !usageOk || max < 0 || used < 0 || max >= (qint64(1) << 60))
        return -1;
    return std::max<qint64>(0, max - used);
}

} // namespace ptt
