// CSideJob: a share of a filter's work that its owner offers to a thread with
// nothing else to do while it does the rest itself. The job runs exactly once
// per offer: on whichever thread claims it first, the owner's own included.
// Arm and Finish belong to the owner's thread; TryRun may be called from any.
#pragma once

#include <atomic>
#include <functional>

class CSideJob {
public:
    explicit CSideJob(std::function<void()> run) : m_run(std::move(run)) {}
    CSideJob(const CSideJob&) = delete;
    CSideJob& operator=(const CSideJob&) = delete;

    // Makes the job claimable once more; what it reads must be in place before the call.
    void Arm() { m_state.store(kOffered, std::memory_order_release); }
    // Runs the job if no thread has claimed it yet; whether this call ran it.
    bool TryRun();
    // Runs the job here unless another thread claimed it, then waits until it has run: what it
    // wrote is the owner's to read on return.
    void Finish();

private:
    enum State { kOffered, kRunning, kDone };

    std::function<void()> m_run;
    std::atomic<int> m_state{kDone};
};
