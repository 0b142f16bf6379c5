#include "processing/FilterChain.h"

#include <algorithm>

#include "audiofile/WaveFile.h"
#include "processing/Filter.h"

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
    if (stage == m_cut) return *m_cutIn;
    return *m_pipes[stage - 1];
}

CWaveFile& CFilterChain::Out(size_t stage, CWaveFile& output) {
    return stage + 1 == m_stages.size() ? output : *m_pipes[stage];
}

bool CFilterChain::Prepare(CWaveFile& source, CWaveFile& output, const std::vector<PipeLayout>& pipes, size_t cut) {
    Stop();
    const size_t n = m_stages.size();
    if (n == 0 || pipes.size() + 1 != n) return false;
    m_cut = cut < n ? cut : 0;
    // Fresh pipes for every run: nothing a previous run left in them can reach this one.
    const WAVEFORMATEX& f = source.Format();
    m_pipes.clear();
    for (const PipeLayout& layout : pipes) {
        m_pipes.push_back(std::make_unique<CWaveFile>(layout.block, layout.historyRoom));
        SetUpPipe(*m_pipes.back(), f, layout);
    }
    m_cutIn.reset();
    if (m_cut > 0) {
        const PipeLayout& layout = pipes[m_cut - 1];
        m_cutIn = std::make_unique<CWaveFile>(layout.block, layout.historyRoom);
        SetUpPipe(*m_cutIn, f, layout);
        for (Portion& p : m_queue) {
            p.samples.assign(m_pipes[m_cut - 1]->BlockLength(), 0);
            p.count = 0;
            p.last = false;
        }
    }
    for (size_t i = 0; i < n; ++i) {
        if (!m_stages[i]->Prepare(In(i, source), Out(i, output))) return false;
    }
    if (m_cut > 0) {
        m_head = m_filled = 0;
        m_abort = m_failed = m_finished = false;
        m_thread = std::thread(&CFilterChain::Worker, this, &output);
    }
    return true;
}

bool CFilterChain::RunStages(size_t from, size_t to, CWaveFile& source, CWaveFile& output) {
    for (size_t i = from; i < to; ++i) {
        CWaveFile& in = In(i, source);
        CWaveFile& out = Out(i, output);
        if (!m_stages[i]->Process(in, out)) return false;
        if (m_hook) m_hook(i, in, out);
        // The source's block is the caller's to move on; a pipe is consumed once its reader is done.
        if (i > 0) in.KeepHistory();
    }
    return true;
}

bool CFilterChain::FinishStages(size_t from, size_t to, CWaveFile& source, CWaveFile& output) {
    // Each filter's held-back samples travel through the filters after it before the next one drains.
    for (size_t i = from; i < to; ++i) {
        CWaveFile& in = In(i, source);
        CWaveFile& out = Out(i, output);
        if (!m_stages[i]->Finish(in, out)) return false;
        if (m_hook) m_hook(i, in, out);
        if (!RunStages(i + 1, to, source, output)) return false;
        if (m_cut > 0 && to == m_cut && !HandOver(false)) return false;
    }
    return true;
}

bool CFilterChain::Process(CWaveFile& source, CWaveFile& output) {
    if (m_pipes.size() + 1 != m_stages.size()) return false;  // not prepared
    if (m_cut == 0) return RunStages(0, m_stages.size(), source, output);
    if (!m_thread.joinable()) return false;  // the run already ended
    if (RunStages(0, m_cut, source, output) && HandOver(false)) return true;
    Stop();
    return false;
}

bool CFilterChain::Finish(CWaveFile& source, CWaveFile& output) {
    if (m_pipes.size() + 1 != m_stages.size()) return false;
    if (m_cut == 0) return FinishStages(0, m_stages.size(), source, output);
    if (!m_thread.joinable()) return false;
    if (!FinishStages(0, m_cut, source, output) || !HandOver(true)) {
        Stop();
        return false;
    }
    bool ok;
    {
        std::unique_lock lock(m_lock);
        m_changed.wait(lock, [this] { return m_finished; });
        ok = !m_failed;
    }
    m_thread.join();
    return ok;
}

bool CFilterChain::HandOver(bool last) {
    CWaveFile& pipe = *m_pipes[m_cut - 1];
    std::unique_lock lock(m_lock);
    m_changed.wait(lock, [this] { return m_filled < kQueueSlots || m_failed; });
    if (m_failed) return false;
    Portion& p = m_queue[m_head];
    lock.unlock();
    // Only this thread fills a free slot, so the copy needs no lock.
    const int32_t* from = pipe.BlockStart();
    const size_t count = last ? 0 : static_cast<size_t>(pipe.EndCursor() - from);
    if (count > p.samples.size()) return false;
    std::copy(from, from + count, p.samples.begin());
    p.count = count;
    p.last = last;
    if (!last) pipe.KeepHistory();
    lock.lock();
    m_head = (m_head + 1) % kQueueSlots;
    ++m_filled;
    m_changed.notify_all();
    return true;
}

void CFilterChain::Worker(CWaveFile* output) {
    CWaveFile& out = *output;
    CWaveFile& in = *m_cutIn;
    size_t tail = 0;
    bool ok = true;
    for (;;) {
        std::unique_lock lock(m_lock);
        m_changed.wait(lock, [this] { return m_filled > 0 || m_abort; });
        if (m_abort) break;
        Portion& p = m_queue[tail];
        lock.unlock();
        ok = in.PutSamples(p.samples.data(), p.count);
        // The source is never touched here: the second half starts after the first filter.
        if (ok)
            ok = p.last ? FinishStages(m_cut, m_stages.size(), in, out) : RunStages(m_cut, m_stages.size(), in, out);
        const bool last = p.last;
        lock.lock();
        tail = (tail + 1) % kQueueSlots;
        --m_filled;
        if (!ok || last) break;
        m_changed.notify_all();
    }
    std::lock_guard lock(m_lock);
    m_failed = m_failed || !ok || m_abort;
    m_finished = true;
    m_changed.notify_all();
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
