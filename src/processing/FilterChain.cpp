#include "processing/FilterChain.h"

#include <algorithm>
#include <utility>

#include "audiofile/WaveFile.h"
#include "processing/Filter.h"
#include "processing/SideJob.h"

namespace {

// A pipe in its starting state: the source's format, silent history, an empty block.
void SetUpPipe(CWaveFile& pipe, const WAVEFORMATEX& f, const CFilterChain::PipeLayout& layout) {
    pipe.Close();
    pipe.SetFormat(f.wFormatTag, f.nChannels, f.nSamplesPerSec, f.wBitsPerSample);
    pipe.SetOutputMode(kOutNone);
    pipe.SetHistory(layout.history);
    pipe.SetLookahead(layout.lookahead);
    pipe.SetClipping(layout.clipping);
    pipe.StepBack();  // nothing read yet: clears the history and puts both cursors at the block start
}

}  // namespace

CFilterChain::CFilterChain() = default;

CFilterChain::~CFilterChain() {
    Stop();
}

CWaveFile& CFilterChain::In(size_t stage, CWaveFile& source) {
    if (stage == 0) return source;
    if (m_shared) return *m_inlets[stage].pipe;
    return *m_pipes[stage - 1];
}

CWaveFile& CFilterChain::Out(size_t stage, CWaveFile& output) {
    return stage + 1 == m_stages.size() ? output : *m_pipes[stage];
}

bool CFilterChain::Prepare(CWaveFile& source, CWaveFile& output, const std::vector<PipeLayout>& pipes, bool shared) {
    Stop();
    const size_t n = m_stages.size();
    if (n == 0 || pipes.size() + 1 != n) return false;
    m_shared = shared && n > 1;
    // Fresh pipes for every run: nothing a previous run left in them can reach this one.
    const WAVEFORMATEX& f = source.Format();
    m_pipes.clear();
    for (const PipeLayout& layout : pipes) {
        m_pipes.push_back(std::make_unique<CWaveFile>(layout.block, layout.historyRoom));
        SetUpPipe(*m_pipes.back(), f, layout);
    }
    m_inlets.clear();
    if (m_shared) {
        m_inlets.resize(n);
        for (size_t i = 1; i < n; ++i) {
            Inlet& inlet = m_inlets[i];
            const PipeLayout& layout = pipes[i - 1];
            inlet.pipe = std::make_unique<CWaveFile>(layout.block, layout.historyRoom);
            SetUpPipe(*inlet.pipe, f, layout);
            for (Portion& p : inlet.queue) p.samples.assign(m_pipes[i - 1]->BlockLength(), 0);
            // The reader keeps its history in its own copy; the writer's need carry none over.
            m_pipes[i - 1]->SetHistory(0);
        }
    }
    for (size_t i = 0; i < n; ++i) {
        if (!m_stages[i]->Prepare(In(i, source), Out(i, output))) return false;
    }
    if (m_shared) {
        m_abort = m_failed = m_finished = false;
        m_thread = std::thread(&CFilterChain::Worker, this, &output);
    }
    return true;
}

bool CFilterChain::RunStages(size_t i, CWaveFile& source, CWaveFile& output) {
    const size_t to = m_shared ? i + 1 : m_stages.size();
    for (; i < to; ++i) {
        CWaveFile& in = In(i, source);
        CWaveFile& out = Out(i, output);
        if (!m_stages[i]->Process(in, out)) return false;
        if (m_hook) m_hook(i, in, out);
        // The source's block is the caller's to move on; a pipe is consumed once its reader is done.
        if (i > 0) in.KeepHistory();
    }
    return to == m_stages.size() || HandOver(to, false, output);
}

bool CFilterChain::FinishStages(size_t i, CWaveFile& source, CWaveFile& output) {
    const size_t to = m_shared ? i + 1 : m_stages.size();
    // Each filter's held-back samples travel through the filters after it before the next one drains.
    for (; i < to; ++i) {
        CWaveFile& in = In(i, source);
        CWaveFile& out = Out(i, output);
        if (!m_stages[i]->Finish(in, out)) return false;
        if (m_hook) m_hook(i, in, out);
        const bool ok =
            i + 1 < to ? RunStages(i + 1, source, output) : to == m_stages.size() || HandOver(to, false, output);
        if (!ok) return false;
    }
    if (to < m_stages.size()) return HandOver(to, true, output);
    if (m_shared) {
        std::lock_guard lock(m_lock);
        m_finished = true;
        m_changed.notify_all();
    }
    return true;
}

bool CFilterChain::Process(CWaveFile& source, CWaveFile& output) {
    if (m_pipes.size() + 1 != m_stages.size()) return false;  // not prepared
    if (!m_shared) return RunStages(0, source, output);
    if (!m_thread.joinable()) return false;  // the run already ended
    if (RunStages(0, source, output)) return true;
    Stop();
    return false;
}

bool CFilterChain::Finish(CWaveFile& source, CWaveFile& output) {
    if (m_pipes.size() + 1 != m_stages.size()) return false;
    if (!m_shared) return FinishStages(0, source, output);
    if (!m_thread.joinable()) return false;
    // The rest drains on both threads.
    if (!FinishStages(0, source, output) || !RunReady(output)) {
        Stop();
        return false;
    }
    m_thread.join();
    return true;
}

bool CFilterChain::HandOver(size_t i, bool last, CWaveFile& output) {
    Inlet& inlet = m_inlets[i];
    std::unique_lock lock(m_lock);
    for (;;) {
        if (m_failed || m_abort) return false;
        if (inlet.filled < kQueueSlots) break;
        // Rather than wait for a filter nobody runs, run it: it has portions enough.
        if (!inlet.busy) {
            RunLocked(i, output, lock);
        } else if (!RunOffered(lock)) {
            m_changed.wait(lock);
        }
    }
    Portion& p = inlet.queue[inlet.head];
    lock.unlock();
    // Only the thread running filter i - 1 fills a free slot, so the copy needs no lock.
    CWaveFile& pipe = *m_pipes[i - 1];
    const int32_t* from = pipe.BlockStart();
    const size_t count = last ? 0 : static_cast<size_t>(pipe.EndCursor() - from);
    if (count > p.samples.size()) return false;
    std::copy(from, from + count, p.samples.begin());
    p.count = count;
    p.last = last;
    if (!last) pipe.KeepHistory();
    lock.lock();
    inlet.head = (inlet.head + 1) % kQueueSlots;
    ++inlet.filled;
    m_changed.notify_all();
    return true;
}

bool CFilterChain::Step(size_t i, CWaveFile& output) {
    Inlet& inlet = m_inlets[i];
    // Only the thread marked busy takes from the queue, and the slot stays filled until it has.
    const Portion& p = inlet.queue[inlet.tail];
    const bool last = p.last;
    const bool ok = inlet.pipe->PutSamples(p.samples.data(), p.count);
    {
        std::lock_guard lock(m_lock);
        inlet.tail = (inlet.tail + 1) % kQueueSlots;
        --inlet.filled;
        m_changed.notify_all();
    }
    if (!ok) return false;
    // The source is never touched here: only the first filter reads it, on the caller's thread.
    return last ? FinishStages(i, *inlet.pipe, output) : RunStages(i, *inlet.pipe, output);
}

size_t CFilterChain::Ready() const {
    // The latest first: what runs nearer the output frees the queues behind it.
    for (size_t i = m_inlets.size(); i-- > 1;) {
        if (m_inlets[i].filled > 0 && !m_inlets[i].busy) return i;
    }
    return 0;
}

void CFilterChain::RunLocked(size_t i, CWaveFile& output, std::unique_lock<std::mutex>& lock) {
    m_inlets[i].busy = true;
    lock.unlock();
    const bool ok = Step(i, output);
    lock.lock();
    m_inlets[i].busy = false;
    m_failed = m_failed || !ok;
    m_changed.notify_all();
}

bool CFilterChain::RunReady(CWaveFile& output) {
    std::unique_lock lock(m_lock);
    while (!m_abort && !m_failed && !m_finished) {
        if (const size_t i = Ready()) {
            RunLocked(i, output, lock);
        } else if (!RunOffered(lock)) {
            // A side job only when no filter has work: its owner runs it itself if none is free.
            m_changed.wait(lock);
        }
    }
    return m_finished && !m_failed;
}

void CFilterChain::Worker(CWaveFile* output) {
    RunReady(*output);
}

void CFilterChain::Offer(CSideJob& job) {
    {
        std::lock_guard lock(m_lock);
        const auto free = std::find(m_offers.begin(), m_offers.end(), nullptr);
        if (free == m_offers.end()) return;  // its owner runs it
        *free = &job;
    }
    m_changed.notify_all();
}

void CFilterChain::Withdraw(CSideJob& job) {
    std::lock_guard lock(m_lock);
    std::replace(m_offers.begin(), m_offers.end(), &job, static_cast<CSideJob*>(nullptr));
}

bool CFilterChain::RunOffered(std::unique_lock<std::mutex>& lock) {
    const auto offered = std::find_if(m_offers.begin(), m_offers.end(), [](CSideJob* j) { return j != nullptr; });
    if (offered == m_offers.end()) return false;
    CSideJob* job = std::exchange(*offered, nullptr);
    lock.unlock();
    job->TryRun();
    lock.lock();
    return true;
}

void CFilterChain::Stop() {
    if (!m_thread.joinable()) return;
    {
        std::lock_guard lock(m_lock);
        m_abort = true;
        m_changed.notify_all();
    }
    m_thread.join();
}
