#include "devices/AudioHost.h"

#include <alsa/asoundlib.h>
#include <fcntl.h>
#include <portaudio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "audiofile/SampleCodec.h"
#include "audiofile/WaveFile.h"
#include "devices/VirtualCard.h"

namespace {

CAudioHost* g_host = nullptr;

// ALSA reports every plug-in it cannot set up on stderr while PortAudio probes; a device we cannot
// open simply does not appear.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

// PortAudio is started once for the program and ended at exit.
bool PortAudioReady() {
    static const bool ready = [] {
        snd_lib_error_set_handler(QuietAlsa);
        // The JACK client library prints its failed connection attempts itself; keep them off the
        // user's terminal while PortAudio probes.
        std::fflush(stderr);
        const int saved = ::dup(STDERR_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null >= 0) ::dup2(null, STDERR_FILENO);
        const PaError e = Pa_Initialize();
        if (saved >= 0) {
            ::dup2(saved, STDERR_FILENO);
            ::close(saved);
        }
        if (null >= 0) ::close(null);
        if (e != paNoError) return false;
        std::atexit([] { Pa_Terminate(); });
        return true;
    }();
    return ready;
}

int HostErrorOf(PaError e) {
    switch (e) {
        case paNoError:
            return kHostOk;
        case paInvalidSampleRate:
        case paSampleFormatNotSupported:
        case paInvalidChannelCount:
            return kHostBadFormat;
        case paDeviceUnavailable:
            return kHostBusy;
        case paInvalidDevice:
        case paNoDevice:
            return kHostNoDevice;
        case paInsufficientMemory:
            return kHostNoMemory;
        default:
            return kHostFailed;
    }
}

PaSampleFormat SampleFormatOf(const WAVEFORMATEX& f) {
    switch (CSampleCodec::KindOf(f)) {
        case SampleKind::U8:
            return paUInt8;
        case SampleKind::S16:
            return paInt16;
        case SampleKind::S24:
            return paInt24;
        case SampleKind::S32:
            return paInt32;
        case SampleKind::F32:
            return paFloat32;
        case SampleKind::None:
            break;
    }
    return 0;
}

// A PortAudio stream. The callback only hands the bytes to the client.
class CPortAudioStream : public IAudioStream {
public:
    CPortAudioStream(int device, bool capture, const WAVEFORMATEX& format, IStreamClient& client)
        : m_device(device), m_capture(capture), m_format(format), m_client(client) {}
    ~CPortAudioStream() override { Close(); }

    int Open(double rate) {
        PaStreamParameters p{};
        p.device = m_device;
        p.channelCount = m_format.nChannels;
        p.sampleFormat = SampleFormatOf(m_format);
        if (p.sampleFormat == 0) return kHostBadFormat;
        const PaDeviceInfo* info = Pa_GetDeviceInfo(m_device);
        if (!info) return kHostNoDevice;
        // The high latency: a home recording never needs less, and it rides out a busy machine.
        p.suggestedLatency = m_capture ? info->defaultHighInputLatency : info->defaultHighOutputLatency;
        const PaError e = Pa_OpenStream(&m_stream, m_capture ? &p : nullptr, m_capture ? nullptr : &p, rate,
                                        paFramesPerBufferUnspecified, paClipOff, &CPortAudioStream::Callback, this);
        if (e != paNoError) m_stream = nullptr;
        return HostErrorOf(e);
    }

    bool Start() override {
        if (!m_stream) return false;
        if (m_running) return true;
        m_running = Pa_StartStream(m_stream) == paNoError;
        return m_running;
    }

    void Stop() override {
        if (m_stream && m_running) Pa_StopStream(m_stream);
        m_running = false;
    }

    bool SetRate(uint32_t hz) override {
        const bool running = m_running;
        Close();
        if (Open(hz) != kHostOk) return false;
        return !running || Start();
    }

    uint64_t DroppedFrames() const override { return m_dropped.load(); }

private:
    void Close() {
        Stop();
        if (m_stream) Pa_CloseStream(m_stream);
        m_stream = nullptr;
    }

    static int Callback(const void* in, void* out, unsigned long frames, const PaStreamCallbackTimeInfo*,
                        PaStreamCallbackFlags, void* self) {
        auto* s = static_cast<CPortAudioStream*>(self);
        if (s->m_capture) {
            const size_t taken = in ? s->m_client.Capture(static_cast<const uint8_t*>(in), frames) : 0;
            if (taken < frames) s->m_dropped.fetch_add(frames - taken, std::memory_order_relaxed);
        } else if (out) {
            s->m_client.Render(static_cast<uint8_t*>(out), frames);
        }
        return paContinue;
    }

    int m_device;
    bool m_capture;
    WAVEFORMATEX m_format;
    IStreamClient& m_client;
    PaStream* m_stream = nullptr;
    bool m_running = false;
    std::atomic<uint64_t> m_dropped{0};
};

}  // namespace

DeviceGuid DeviceIdOf(const std::string& name) {
    // Two 64-bit FNV-1a hashes of the name with different seeds.
    auto fnv = [&](uint64_t h) {
        for (unsigned char c : name) {
            h ^= c;
            h *= 0x100000001b3ull;
        }
        return h;
    };
    const uint64_t a = fnv(0xcbf29ce484222325ull);
    const uint64_t b = fnv(0x84222325cbf29ce4ull);
    DeviceGuid id{};
    for (int i = 0; i < 8; ++i) {
        id[i] = static_cast<uint8_t>(a >> (8 * i));
        id[8 + i] = static_cast<uint8_t>(b >> (8 * i));
    }
    if (std::all_of(id.begin(), id.end(), [](uint8_t v) { return v == 0; })) id[0] = 1;
    return id;
}

CAudioHost::CAudioHost(bool usePortAudio) : m_portAudio(usePortAudio && PortAudioReady()) {
    m_cards.push_back(std::make_unique<CVirtualCard>("Virtual card"));
}

CAudioHost::~CAudioHost() = default;

CVirtualCard& CAudioHost::AddVirtualCard(const std::string& name) {
    m_cards.push_back(std::make_unique<CVirtualCard>(name));
    return *m_cards.back();
}

void CAudioHost::RemoveVirtualCard(const std::string& name) {
    auto gone = std::find_if(m_cards.begin() + 1, m_cards.end(), [&](const auto& c) { return c->Name() == name; });
    if (gone != m_cards.end()) m_cards.erase(gone);
}

std::vector<AudioEndpoint> CAudioHost::Devices(bool capture) const {
    std::vector<AudioEndpoint> list;
    if (m_portAudio) {
        const PaHostApiIndex api = Pa_GetDefaultHostApi();
        const int count = Pa_GetDeviceCount();
        for (int i = 0; i < count; ++i) {
            const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
            if (!info || info->hostApi != api) continue;
            if ((capture ? info->maxInputChannels : info->maxOutputChannels) < 1) continue;
            AudioEndpoint e;
            e.name = info->name;
            e.id = DeviceIdOf(e.name);
            e.capture = capture;
            e.portAudioIndex = i;
            list.push_back(std::move(e));
        }
    }
    for (const auto& card : m_cards) {
        AudioEndpoint e;
        e.name = card->Name();
        e.id = DeviceIdOf(e.name);
        e.capture = capture;
        e.virtualCard = card.get();
        list.push_back(std::move(e));
    }
    return list;
}

AudioEndpoint CAudioHost::DefaultDevice(bool capture) const {
    const std::vector<AudioEndpoint> list = Devices(capture);
    if (m_portAudio) {
        const PaDeviceIndex def = capture ? Pa_GetDefaultInputDevice() : Pa_GetDefaultOutputDevice();
        for (const auto& e : list) {
            if (e.portAudioIndex >= 0 && e.portAudioIndex == def) return e;
        }
        for (const auto& e : list) {
            if (e.portAudioIndex >= 0) return e;
        }
    }
    for (const auto& e : list) {
        if (e.virtualCard) return e;
    }
    return list.front();
}

std::unique_ptr<IAudioStream> CAudioHost::Open(const AudioEndpoint& device, const WAVEFORMATEX& format,
                                               IStreamClient& client, int& error) {
    error = kHostNoDevice;
    if (device.virtualCard) {
        const bool known =
            std::any_of(m_cards.begin(), m_cards.end(), [&](const auto& c) { return c.get() == device.virtualCard; });
        if (!known) return nullptr;
        return device.virtualCard->Open(device.capture, format, client, error);
    }
    if (!m_portAudio || device.portAudioIndex < 0) return nullptr;
    auto stream = std::make_unique<CPortAudioStream>(device.portAudioIndex, device.capture, format, client);
    error = stream->Open(format.nSamplesPerSec);
    if (error != kHostOk) return nullptr;
    return stream;
}

std::string CAudioHost::ErrorText(int error) {
    switch (error) {
        case kHostOk:
            return Pa_GetErrorText(paNoError);
        case kHostBadFormat:
            return Pa_GetErrorText(paSampleFormatNotSupported);
        case kHostBusy:
            return Pa_GetErrorText(paDeviceUnavailable);
        case kHostNoDevice:
            return Pa_GetErrorText(paInvalidDevice);
        case kHostNoMemory:
            return Pa_GetErrorText(paInsufficientMemory);
        default:
            return Pa_GetErrorText(paInternalError);
    }
}

CAudioHost& AudioHost() {
    if (g_host) return *g_host;
    static CAudioHost fallback(true);
    return fallback;
}

void SetAudioHost(CAudioHost* host) {
    g_host = host;
}
