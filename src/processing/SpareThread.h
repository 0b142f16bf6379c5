// CSpareThread: a place to offer side jobs to threads of a run that would
// otherwise wait (the filter chain's, when a run is shared between two).
// Offer and Withdraw may be called from any thread of the run.
#pragma once

class CSideJob;

class CSpareThread {
public:
    // Lets a waiting thread claim the armed job; it stays offered until claimed or withdrawn.
    virtual void Offer(CSideJob& job) = 0;
    // Takes the job back if no thread claimed it.
    virtual void Withdraw(CSideJob& job) = 0;

protected:
    ~CSpareThread() = default;
};
