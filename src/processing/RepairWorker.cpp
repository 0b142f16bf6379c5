#include "processing/RepairWorker.h"

#include <system_error>

CRepairWorker::~CRepairWorker() {
    if (!m_thread.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_stop = true;
    }
    m_work.notify_one();
    m_thread.join();
}

bool CRepairWorker::Start(Run run) {
    if (m_thread.joinable()) return true;
    m_run = std::move(run);
    try {
        m_thread = std::thread(&CRepairWorker::Loop, this);
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void CRepairWorker::Post(const Job& job) {
    if (m_posted - m_done.load(std::memory_order_acquire) >= kSlots) WaitUntilDone(m_posted - kSlots + 1);
    m_jobs[m_posted % kSlots] = job;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        ++m_posted;
    }
    m_work.notify_one();
}

void CRepairWorker::WaitOldest() {
    const int64_t done = m_done.load(std::memory_order_acquire);
    if (done < m_posted) WaitUntilDone(done + 1);
}

int64_t CRepairWorker::Wait() {
    WaitUntilDone(m_posted);
    return m_changed.exchange(0, std::memory_order_acq_rel);
}

void CRepairWorker::WaitUntilDone(int64_t count) {
    if (m_done.load(std::memory_order_acquire) >= count) return;
    std::unique_lock<std::mutex> lock(m_lock);
    m_waiting = true;
    m_finished.wait(lock, [&] { return m_done.load(std::memory_order_acquire) >= count; });
    m_waiting = false;
}

void CRepairWorker::Loop() {
    int64_t next = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(m_lock);
            m_work.wait(lock, [&] { return m_stop || m_posted > next; });
            if (m_stop) return;
        }
        // The slot stays as posted until this job is counted done: the poster never reuses it sooner.
        m_changed.fetch_add(m_run(m_jobs[next % kSlots]), std::memory_order_relaxed);
        ++next;
        bool wake;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_done.store(next, std::memory_order_release);
            wake = m_waiting;
        }
        if (wake) m_finished.notify_one();
    }
}
