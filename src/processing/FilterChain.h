// CFilterChain: filters run one after another over a run's blocks, with a
// pipe wave between each two. A chain may be shared between two threads: every
// filter after the first then takes its input from a short queue of sample
// portions, and the caller's thread and one more each run whichever filter has
// a portion waiting and no thread on it (the caller's only when it would
// otherwise wait). The stages seldom cost the same, and which costs most
// depends on the music and the settings, so a fixed split in two would leave
// one thread waiting on the other.
// Every filter sees the same samples in the same portions and in the same
// order of calls either way, so the output is the same bit for bit.
//
// A thread with no filter to run takes on a side job a filter offered, if any.
//
// Only the caller's thread reads the source (the first filter runs on each
// Process). While shared, the output may be written from the second thread;
// the caller must end every run with Finish or a failed Process (both wait for
// that thread), or call Stop, before it touches the output again.
#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "processing/SpareThread.h"

class CFilter;
class CWaveFile;

class CFilterChain : public CSpareThread {
public:
    // One pipe wave between two filters: block and history room (samples), the history and lookahead
    // its reader asks for, and whether values are clamped on the way in.
    struct PipeLayout {
        uint32_t block = 4096;
        uint32_t historyRoom = 4096;
        uint32_t history = 0;
        uint32_t lookahead = 0;
        bool clipping = false;
    };
    // Called after each filter's Process or Finish, on the thread that ran it, with its two waves.
    using StageHook = std::function<void(size_t stage, CWaveFile& in, CWaveFile& out)>;

    // Portions queued before each filter: enough to ride out another filter's slower blocks.
    static constexpr size_t kQueueSlots = 4;

    CFilterChain();
    ~CFilterChain();
    CFilterChain(const CFilterChain&) = delete;
    CFilterChain& operator=(const CFilterChain&) = delete;

    // The filters in order (not owned).
    void SetStages(std::vector<CFilter*> stages) { m_stages = std::move(stages); }
    void SetHook(StageHook hook) { m_hook = std::move(hook); }
    size_t StageCount() const { return m_stages.size(); }

    // Fresh pipes in the source's format (one layout per gap between filters), then every filter
    // prepared on its waves; shared: a second thread helps (a chain of one filter stays on one).
    // False when a filter refused; no thread runs then.
    bool Prepare(CWaveFile& source, CWaveFile& output, const std::vector<PipeLayout>& pipes, bool shared);
    // The source's current block through the chain; false as soon as a filter fails.
    bool Process(CWaveFile& source, CWaveFile& output);
    // Drains the filters one by one, each one's rest through those after it; waits for the second thread.
    bool Finish(CWaveFile& source, CWaveFile& output);
    // Ends the second thread at once, discarding what is queued.
    void Stop();

    void Offer(CSideJob& job) override;
    void Withdraw(CSideJob& job) override;

private:
    struct Portion {
        std::vector<int32_t> samples;
        size_t count = 0;
        bool last = false;
    };
    // A filter's input when shared: the portions waiting for it, and whether a thread runs it.
    struct Inlet {
        std::unique_ptr<CWaveFile> pipe;  // this filter's own copy of the pipe before it
        std::array<Portion, kQueueSlots> queue;
        size_t head = 0;  // next slot to fill
        size_t tail = 0;  // next slot to take
        size_t filled = 0;
        bool busy = false;
    };

    CWaveFile& In(size_t stage, CWaveFile& source);
    CWaveFile& Out(size_t stage, CWaveFile& output);
    // Process of filter i (shared; its output is then queued for the next) or of filters i to the
    // end, each input pipe keeping its history for the next portion.
    bool RunStages(size_t i, CWaveFile& source, CWaveFile& output);
    // Finish of filter i (shared; then the end mark is queued) or of filters i to the end, each
    // followed by the filters after it.
    bool FinishStages(size_t i, CWaveFile& source, CWaveFile& output);
    // Queues what filter i - 1 left in its pipe for filter i (or the end mark); while the queue is
    // full, runs filter i itself when no other thread does. False once the run failed.
    bool HandOver(size_t i, bool last, CWaveFile& output);
    // Runs filter i on its next portion; the calling thread has marked it busy.
    bool Step(size_t i, CWaveFile& output);
    // The last filter with a portion waiting and no thread on it, or 0 for none (m_lock held).
    size_t Ready() const;
    // Runs filter i (marked busy under m_lock, which is held on entry and on return).
    void RunLocked(size_t i, CWaveFile& output, std::unique_lock<std::mutex>& lock);
    // Runs whatever filter is ready until the run ends; whether the last filter finished.
    bool RunReady(CWaveFile& output);
    void Worker(CWaveFile* output);
    // Runs one offered side job, if any (m_lock held on entry and on return); whether it did.
    bool RunOffered(std::unique_lock<std::mutex>& lock);

    std::vector<CFilter*> m_stages;
    std::vector<std::unique_ptr<CWaveFile>> m_pipes;  // m_pipes[i] sits after filter i
    std::vector<Inlet> m_inlets;                      // m_inlets[i] sits before filter i (shared only)
    StageHook m_hook;
    bool m_shared = false;

    bool m_abort = false;
    bool m_failed = false;
    bool m_finished = false;              // the last filter ended its run; m_failed says how
    std::array<CSideJob*, 4> m_offers{};  // side jobs offered and not yet claimed or withdrawn
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::thread m_thread;
};
