#include "devices/VirtualCard.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <thread>
#include <utility>
#include <vector>

#include "audiofile/SampleCodec.h"
#include "audiofile/WaveFile.h"

namespace {
using Clock = std::chrono::steady_clock;
}  // namespace

// One direction of a virtual card, run by a thread of its own in chunks of 10 ms.
class CVirtualStream : public IAudioStream {
public:
    CVirtualStream(CVirtualCard& card, bool capture, const WAVEFORMATEX& format, IStreamClient& client)
        : m_card(card), m_capture(capture), m_format(format), m_client(client), m_pace(card.m_pace) {
        m_frame = std::max<size_t>(format.nBlockAlign, 1);
        m_chunk = std::max<size_t>(format.nSamplesPerSec / 100, 64);
        m_bytes.resize(m_chunk * m_frame);
        m_rate = format.nSamplesPerSec;
    }

    ~CVirtualStream() override {
        Stop();
        if (m_sinkOpen) {
            m_sink.FinishWrite();
            m_sink.Close();
        }
        m_source.Close();
    }

    int Open() {
        if (KindOf() == SampleKind::None || m_format.nChannels < 1 || m_format.nChannels > 2) {
            return kHostBadFormat;
        }
        if (m_capture && !m_card.m_source.empty()) {
            m_source.SetHistory(0);
            if (m_source.OpenRead(m_card.m_source) != kFileOk) return kHostNoDevice;
            // Room to spread a mono source over two channels.
            m_sourceChannels = m_source.Format().nChannels;
        }
        if (!m_capture && !m_card.m_sink.empty()) {
            WAVEFORMATEX fmt = m_format;
            if (m_sink.OpenWrite(m_card.m_sink, fmt, kWriteCreate) != kFileOk) return kHostNoDevice;
            m_sinkOpen = true;
        }
        if (m_capture) m_card.m_sourceFinished.store(false);
        return kHostOk;
    }

    bool Start() override {
        if (m_thread.joinable()) return true;
        m_stop = false;
        m_thread = std::thread([this] { m_capture ? RunCapture() : RunPlayback(); });
        return true;
    }

    void Stop() override {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_stop = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable()) m_thread.join();
    }

    void Kick() override {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            ++m_kicks;
        }
        m_wake.notify_all();
    }

    bool SetRate(uint32_t hz) override {
        m_rate.store(std::max<uint32_t>(hz, 1));
        return true;
    }

    uint64_t DroppedFrames() const override { return m_dropped.load(); }

private:
    SampleKind KindOf() const { return CSampleCodec::KindOf(m_format); }

    uint64_t Kicks() {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_kicks;
    }

    // Fast mode: waits until someone kicks after `seen`, or briefly, in case a kick was missed.
    void WaitKick(uint64_t seen) {
        std::unique_lock<std::mutex> lock(m_lock);
        m_wake.wait_for(lock, std::chrono::milliseconds(5), [&] { return m_stop || m_kicks != seen; });
    }

    // Paced mode: sleeps until the next chunk is due; false when stopped.
    bool WaitChunk(Clock::time_point& due) {
        const double seconds = static_cast<double>(m_chunk) / (static_cast<double>(m_rate.load()) * m_pace);
        due += std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
        std::unique_lock<std::mutex> lock(m_lock);
        m_wake.wait_until(lock, due, [&] { return m_stop; });
        return !m_stop;
    }

    bool Stopping() {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_stop;
    }

    void RunPlayback() {
        Clock::time_point due = Clock::now();
        while (!Stopping()) {
            const uint64_t seen = Kicks();
            const size_t real = m_client.Render(m_bytes.data(), m_chunk);
            // A fast card plays only real sound; a paced one plays whatever the client gave, silence too.
            const size_t frames = m_pace == 0.0 ? real : m_chunk;
            if (frames > 0 && m_sinkOpen) m_sink.Write(m_bytes.data(), static_cast<int64_t>(frames * m_frame));
            m_card.m_framesPlayed.fetch_add(real);
            if (m_pace == 0.0) {
                if (real < m_chunk) WaitKick(seen);
            } else if (!WaitChunk(due)) {
                break;
            }
        }
    }

    void RunCapture() {
        Clock::time_point due = Clock::now();
        size_t pending = 0;
        size_t offset = 0;
        while (!Stopping()) {
            if (m_pace == 0.0) {
                if (pending == 0) {
                    pending = ReadSource();
                    offset = 0;
                    if (pending == 0) {
                        // The whole source was delivered: nothing more comes until the stream stops.
                        m_card.m_sourceFinished.store(true);
                        std::unique_lock<std::mutex> lock(m_lock);
                        m_wake.wait(lock, [&] { return m_stop; });
                        break;
                    }
                }
                const uint64_t seen = Kicks();
                const size_t taken = std::min(m_client.Capture(m_bytes.data() + offset * m_frame, pending), pending);
                offset += taken;
                pending -= taken;
                if (pending > 0) WaitKick(seen);
                continue;
            }
            size_t got = ReadSource();
            if (got < m_chunk) {
                if (!m_card.m_source.empty()) m_card.m_sourceFinished.store(true);
                std::memset(m_bytes.data() + got * m_frame, KindOf() == SampleKind::U8 ? 0x80 : 0,
                            (m_chunk - got) * m_frame);
            }
            const size_t taken = std::min(m_client.Capture(m_bytes.data(), m_chunk), m_chunk);
            m_dropped.fetch_add(m_chunk - taken);
            if (!WaitChunk(due)) break;
        }
    }

    // Reads up to one chunk of the source, converted to the stream's format; frames read.
    size_t ReadSource() {
        if (!m_source.IsOpen()) return 0;
        const size_t srcChannels = m_sourceChannels;
        const size_t channels = m_format.nChannels;
        const int64_t got = m_source.ReadSamples(static_cast<uint32_t>(m_chunk * srcChannels));
        if (got <= 0) return 0;
        int32_t* s = m_source.BlockStart();
        const size_t frames = static_cast<size_t>(m_source.EndCursor() - s) / srcChannels;
        if (srcChannels == 1 && channels == 2) {
            for (size_t i = frames; i-- > 0;) s[2 * i] = s[2 * i + 1] = s[i];
        } else if (srcChannels == 2 && channels == 1) {
            for (size_t i = 0; i < frames; ++i) s[i] = static_cast<int32_t>((int64_t{s[2 * i]} + s[2 * i + 1]) / 2);
        }
        m_source.BlockToBytes(m_bytes.data(), static_cast<uint32_t>(frames * m_frame), &m_format);
        m_card.m_framesPlayed.fetch_add(frames);
        return frames;
    }

    CVirtualCard& m_card;
    const bool m_capture;
    const WAVEFORMATEX m_format;
    IStreamClient& m_client;
    const double m_pace;
    size_t m_frame = 1;
    size_t m_chunk = 441;
    std::atomic<uint32_t> m_rate{44100};
    std::vector<uint8_t> m_bytes;
    // Two chunks of samples: a mono source is spread over two channels in place.
    CWaveFile m_source{static_cast<uint32_t>(2 * std::max<size_t>(m_format.nSamplesPerSec / 100, 64)), 16};
    size_t m_sourceChannels = 1;
    CWaveFile m_sink;
    bool m_sinkOpen = false;
    std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_stop = false;
    uint64_t m_kicks = 0;
    std::atomic<uint64_t> m_dropped{0};
    std::thread m_thread;
};

CVirtualCard::CVirtualCard(std::string name) : m_name(std::move(name)) {}

void CVirtualCard::SetSink(std::string path) {
    m_sink = std::move(path);
}

void CVirtualCard::SetSource(std::string path) {
    m_source = std::move(path);
}

void CVirtualCard::SetPace(double factor) {
    m_pace = factor > 0.0 ? factor : 0.0;
}

std::unique_ptr<IAudioStream> CVirtualCard::Open(bool capture, const WAVEFORMATEX& format, IStreamClient& client,
                                                 int& error) {
    auto stream = std::make_unique<CVirtualStream>(*this, capture, format, client);
    error = stream->Open();
    if (error != kHostOk) return nullptr;
    return stream;
}
