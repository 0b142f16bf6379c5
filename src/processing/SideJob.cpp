#include "processing/SideJob.h"

#include <thread>

bool CSideJob::TryRun() {
    int expected = kOffered;
    if (!m_state.compare_exchange_strong(expected, kRunning, std::memory_order_acquire)) return false;
    m_run();
    m_state.store(kDone, std::memory_order_release);
    return true;
}

void CSideJob::Finish() {
    if (TryRun()) return;
    // The claimer is running it now, for no longer than the owner's own share took.
    while (m_state.load(std::memory_order_acquire) != kDone) std::this_thread::yield();
}
