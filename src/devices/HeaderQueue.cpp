#include "devices/HeaderQueue.h"

#include <algorithm>
#include <cstring>

#include "audiofile/SampleCodec.h"
#include "audiofile/WaveFile.h"
#include "base/Services.h"

CHeaderQueue::~CHeaderQueue() {
    Close();
}

int CHeaderQueue::Open(CAudioHost& host, const AudioEndpoint& device, const WAVEFORMATEX& format, DoneHandler onDone) {
    Close();
    m_frame = std::max<size_t>(format.nBlockAlign, 1);
    m_silence = CSampleCodec::KindOf(format) == SampleKind::U8 ? 0x80 : 0;
    m_onDone = std::move(onDone);
    m_queueHead = m_queueTail = m_doneHead = m_doneTail = 0;
    m_position = 0;
    m_paused = false;
    m_closing = false;
    m_alive = std::make_shared<int>(0);
    int error = kHostOk;
    m_stream = host.Open(device, format, *this, error);
    if (!m_stream) return error;
    if (!m_stream->Start()) {
        m_stream.reset();
        return kHostFailed;
    }
    m_poster = std::thread([this] { PosterLoop(); });
    return kHostOk;
}

void CHeaderQueue::Close() {
    if (m_stream) m_stream->Stop();
    m_stream.reset();
    m_closing.store(true);
    m_doneEvents.fetch_add(1);
    m_doneEvents.notify_all();
    if (m_poster.joinable()) m_poster.join();
    // Notices already posted find the queue gone.
    m_alive.reset();
    m_queueHead = m_queueTail = m_doneHead = m_doneTail = 0;
}

bool CHeaderQueue::Add(int header, uint8_t* data, size_t byteCount) {
    if (!m_stream || header < 0 || header >= kMaxHeaders) return false;
    const uint32_t tail = m_queueTail.load(std::memory_order_relaxed);
    if (tail - m_queueHead.load(std::memory_order_acquire) >= kMaxHeaders) return false;
    m_headers[static_cast<size_t>(header)] = {data, byteCount / m_frame * m_frame, 0};
    m_queue[tail % kMaxHeaders] = header;
    m_queueTail.store(tail + 1, std::memory_order_release);
    m_stream->Kick();
    return true;
}

void CHeaderQueue::Restart() {
    m_paused.store(false);
    if (m_stream) m_stream->Kick();
}

CHeaderQueue::Header* CHeaderQueue::Front(int& index) {
    const uint32_t head = m_queueHead.load(std::memory_order_relaxed);
    if (head == m_queueTail.load(std::memory_order_acquire)) return nullptr;
    index = m_queue[head % kMaxHeaders];
    return &m_headers[static_cast<size_t>(index)];
}

// The front header is done: off the queue, onto the done ring.
void CHeaderQueue::Finish() {
    const uint32_t head = m_queueHead.load(std::memory_order_relaxed);
    const uint32_t tail = m_doneTail.load(std::memory_order_relaxed);
    m_done[tail % kMaxHeaders] = m_queue[head % kMaxHeaders];
    m_doneTail.store(tail + 1, std::memory_order_release);
    m_queueHead.store(head + 1, std::memory_order_release);
}

size_t CHeaderQueue::Render(uint8_t* out, size_t frames) {
    size_t n = 0;
    bool finished = false;
    int index = 0;
    while (!m_paused.load(std::memory_order_acquire) && n < frames) {
        Header* h = Front(index);
        if (!h) break;
        const size_t take = std::min(frames - n, (h->bytes - h->done) / m_frame);
        std::memcpy(out + n * m_frame, h->data + h->done, take * m_frame);
        h->done += take * m_frame;
        n += take;
        if (h->done >= h->bytes) {
            Finish();
            finished = true;
        }
    }
    std::memset(out + n * m_frame, m_silence, (frames - n) * m_frame);
    m_position.fetch_add(n * m_frame, std::memory_order_release);
    if (finished) {
        m_doneEvents.fetch_add(1, std::memory_order_release);
        m_doneEvents.notify_all();
    }
    return n;
}

size_t CHeaderQueue::Capture(const uint8_t* in, size_t frames) {
    size_t n = 0;
    bool finished = false;
    int index = 0;
    while (n < frames) {
        Header* h = Front(index);
        if (!h) break;
        const size_t take = std::min(frames - n, (h->bytes - h->done) / m_frame);
        std::memcpy(h->data + h->done, in + n * m_frame, take * m_frame);
        h->done += take * m_frame;
        n += take;
        if (h->done >= h->bytes) {
            Finish();
            finished = true;
        }
    }
    m_position.fetch_add(n * m_frame, std::memory_order_release);
    if (finished) {
        m_doneEvents.fetch_add(1, std::memory_order_release);
        m_doneEvents.notify_all();
    }
    return n;
}

void CHeaderQueue::PosterLoop() {
    std::weak_ptr<int> alive = m_alive;
    while (true) {
        // Read before looking, so that a header finished meanwhile wakes the wait below.
        const uint32_t seen = m_doneEvents.load();
        if (m_closing.load()) break;
        uint32_t head = m_doneHead.load(std::memory_order_relaxed);
        const uint32_t tail = m_doneTail.load(std::memory_order_acquire);
        for (; head != tail; ++head) {
            const int header = m_done[head % kMaxHeaders];
            DoneHandler handler = m_onDone;
            Services().PostMessage([alive, handler, header] {
                if (!alive.expired()) handler(header);
            });
        }
        m_doneHead.store(head, std::memory_order_release);
        m_doneEvents.wait(seen);
    }
}
