#pragma once
// How much memory the system can give now, behind a small interface: the real
// one asks the system, tests install a fixed figure. Every page image is
// sized through fits(), so a page too large for the machine is refused instead
// of the system ending the program.
#include <QByteArray>
#include <QtGlobal>

namespace ptt {

class MemoryBudget {
public:
    virtual ~MemoryBudget() = default;
    // Bytes the system can give now without swapping out others; -1 when unknown.
    virtual qint64 availableBytes() = 0;

    static MemoryBudget *instance();
    // Installs a budget (not owned); nullptr restores the real one.
    static void setInstance(MemoryBudget *budget);

    // Whether images of this many bytes in all, held at once, fit now. An
    // unknown figure lets every size through to the allocator.
    static bool fits(qint64 bytes);
};

// MemAvailable of a /proc/meminfo text, in bytes; -1 when absent or unreadable.
qint64 parseMemAvailable(const QByteArray &meminfo);
// What a control group's memory limit leaves, from its limit and usage files
// (cgroup v2 memory.max/memory.current or v1 limit_in_bytes/usage_in_bytes);
// -1 when there is no limit ("max", or v1's huge figure) or a file is unreadable.
qint64 parseCgroupRoom(const QByteArray &limit, const QByteArray &usage);

} // namespace ptt
