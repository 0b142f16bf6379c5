// CRepairWorker: one helper thread that runs an impulse filter's repairs of
// one channel, in the order they were posted. The poster keeps its own order
// of events; the worker only says which repairs are still to run, so that the
// poster holds back the samples they will write and the ring slots they read.
// Post, Oldest and the waits belong to the posting thread alone.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

class CRepairWorker {
public:
    // One repair: the event's first position, the newest sample when it ended, the oldest ring
    // position the repair reads, and the block its audio after the event comes from.
    struct Job {
        int64_t start = 0;
        int64_t newest = 0;
        int64_t readFrom = 0;
        bool cutShort = false;
        const int32_t* data = nullptr;
        int64_t first = 0;
        int64_t lastValid = -1;
    };
    // Runs one job on the worker thread; the samples it changed.
    using Run = std::function<int64_t(const Job&)>;
    static constexpr int kSlots = 64;

    CRepairWorker() = default;
    ~CRepairWorker();
    CRepairWorker(const CRepairWorker&) = delete;
    CRepairWorker& operator=(const CRepairWorker&) = delete;

    // Starts the thread once (later calls keep it); false when none could be started.
    bool Start(Run run);
    bool Running() const { return m_thread.joinable(); }

    // Queues a job; waits while every slot holds one still to run.
    void Post(const Job& job);
    // The oldest job still to finish, or null when none is.
    const Job* Oldest() const {
        const int64_t done = m_done.load(std::memory_order_acquire);
        return done == m_posted ? nullptr : &m_jobs[done % kSlots];
    }
    // Waits until the oldest job still to finish has finished.
    void WaitOldest();
    // Waits until every posted job has finished; the samples they changed since the last Wait.
    int64_t Wait();

private:
    void Loop();
    void WaitUntilDone(int64_t count);

    Run m_run;
    std::array<Job, kSlots> m_jobs{};
    int64_t m_posted = 0;  // written by the poster only, read by the worker under m_lock
    std::atomic<int64_t> m_done{0};
    std::atomic<int64_t> m_changed{0};
    bool m_stop = false;
    bool m_waiting = false;  // the poster sleeps on m_finished
    std::mutex m_lock;
    std::condition_variable m_work;
    std::condition_variable m_finished;
    std::thread m_thread;
};
