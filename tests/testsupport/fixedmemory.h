#pragma once
// A memory figure for tests: installs itself for its lifetime and reports
// `bytes` as what the system can give. Starts with plenty.
#include "platform/memorybudget.h"

#include <functional>

namespace ptt::test {

class FixedMemory : public MemoryBudget {
public:
    qint64 bytes = qint64(1) << 40;
    std::function<void()> whileAsked; // runs inside the operation that asks

    FixedMemory() { MemoryBudget::setInstance(this); }
    ~FixedMemory() override { MemoryBudget::setInstance(nullptr); }
    FixedMemory(const FixedMemory &) = delete;
    FixedMemory &operator=(const FixedMemory &) = delete;

    qint64 availableBytes() override
    {
        if (whileAsked)
            whileAsked();
        return bytes;
    }
};

} // namespace ptt::test
