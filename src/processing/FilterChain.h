// CFilterChain: filters run one after another over a run's blocks, with a
// pipe wave between each two. A chain may be cut in two: the filters from the
// cut on then run on a second thread, fed through a short queue of sample
// portions, so that a two-core machine works on both halves at once. Every
// filter sees the same samples in the same portions and in the same order of
// calls either way, so the output is the same bit for bit.
//
// While cut, the second half writes the output from its own thread; the
// caller must end every run with Finish or a failed Process (both wait for
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

class CFilter;
class CWaveFile;

class CFilterChain {
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

    // Portions queued between the halves: enough to ride out one half's slower blocks.
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
    // prepared on its waves; cut is the first filter of the second thread (0 keeps one thread).
    // False when a filter refused; no thread runs then.
    bool Prepare(CWaveFile& source, CWaveFile& output, const std::vector<PipeLayout>& pipes, size_t cut);
    // The source's current block through the chain; false as soon as a filter fails.
    bool Process(CWaveFile& source, CWaveFile& output);
    // Drains the filters one by one, each one's rest through those after it; waits for the second thread.
    bool Finish(CWaveFile& source, CWaveFile& output);
    // Ends the second thread at once, discarding what is queued.
    void Stop();
    // Whether the chain is cut for this run.
    bool IsCut() const { return m_cut > 0; }

private:
    struct Portion {
        std::vector<int32_t> samples;
        size_t count = 0;
        bool last = false;
    };

    CWaveFile& In(size_t stage, CWaveFile& source);
    CWaveFile& Out(size_t stage, CWaveFile& output);
    // Process of filters [from, to), each input pipe keeping its history for the next portion.
    bool RunStages(size_t from, size_t to, CWaveFile& source, CWaveFile& output);
    // Finish of filters [from, to), each followed by the filters after it up to to.
    bool FinishStages(size_t from, size_t to, CWaveFile& source, CWaveFile& output);
    // Queues what the first half left in the cut pipe (or the end mark); false once the second half failed.
    bool HandOver(bool last);
    void Worker(CWaveFile* output);

    std::vector<CFilter*> m_stages;
    std::vector<std::unique_ptr<CWaveFile>> m_pipes;  // m_pipes[i] sits after filter i
    std::unique_ptr<CWaveFile> m_cutIn;               // the second half's copy of the cut pipe
    StageHook m_hook;
    size_t m_cut = 0;

    std::array<Portion, kQueueSlots> m_queue;
    size_t m_head = 0;  // next slot to fill
    size_t m_filled = 0;
    bool m_abort = false;
    bool m_failed = false;
    bool m_finished = false;  // the second half ended its run; m_failed says how
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::thread m_thread;
};
