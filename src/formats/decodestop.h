#pragma once
// How a decode running on a worker thread learns that its load gave up on
// it. Every loop whose length comes from the file asks poll() on each pass;
// poll() reads the shared flag only once every kStride passes, so the
// question costs next to nothing while an abandoned decode still stops within
// a few thousand cheap steps of being told.
#include <atomic>

namespace ptt {

class DecodeStop {
public:
    static constexpr unsigned kStride = 64;

    DecodeStop() = default; // never stops
    explicit DecodeStop(const std::atomic<bool> *flag) : m_flag(flag) {}

    // True once the decode should stop; reads the flag every time.
    bool requested()
    {
        if (!m_stopped && m_flag && m_flag->load(std::memory_order_relaxed))
            m_stopped = true;
        return m_stopped;
    }

    // For loops: true once the decode should stop, noticed within kStride calls.
    bool poll()
    {
        if (m_stopped)
            return true;
        if (++m_count % kStride != 0)
            return false;
        return requested();
    }

private:
    const std::atomic<bool> *m_flag = nullptr;
    bool m_stopped = false;
    unsigned m_count = 0;
};

} // namespace ptt
