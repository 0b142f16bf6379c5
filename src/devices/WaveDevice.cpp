#include "devices/WaveDevice.h"

#include <algorithm>

#include "audiofile/WaveFile.h"
#include "base/Services.h"
#include "base/StringTable.h"

namespace {

int HostErrorOf(uint32_t code) {
    switch (code) {
        case kDevOk:
            return kHostOk;
        case kDevBadFormat:
            return kHostBadFormat;
        case kDevAllocated:
            return kHostBusy;
        case kDevNoDriver:
            return kHostNoDevice;
        case kDevOutOfMemory:
            return kHostNoMemory;
        default:
            return kHostFailed;
    }
}

}  // namespace

CWaveDevice::CWaveDevice(CAudioHost& host) : CAudioDevice(host) {}

CWaveDevice::~CWaveDevice() {
    StopCapture();
    StopPlayback();
}

std::string CWaveDevice::ErrorText(uint32_t code) const {
    // The sound system's own words, at most 128 characters.
    return CAudioHost::ErrorText(HostErrorOf(code)).substr(0, 128);
}

bool CWaveDevice::OpenPlayback(CWaveFile& source, bool streamed, int preRoll) {
    StopPlayback();
    m_output = Resolve(false, nullptr, m_outIndex);
    m_format = source.Format();
    auto onDone = [this](int header) { OnPlayBufferDone(header); };
    int error = m_out.Open(m_host, m_output, m_format, onDone);
    if (error != kHostOk) error = m_out.Open(m_host, m_output, m_format, onDone);
    m_lastError = DeviceErrorOf(error);
    if (error != kHostOk) {
        Services().MessageBox(ErrorText(m_lastError), kAppCaption, MsgIcon::Exclamation, MsgButtons::Ok);
        return false;
    }
    const size_t frame = std::max<size_t>(m_format.nBlockAlign, 1);
    m_outBuffers.resize(kOutputHeaders);
    for (auto& b : m_outBuffers) b.assign(kHeaderFrames * frame, 0);
    m_outDone.fill(true);
    m_outLength.fill(0);
    m_source = &source;
    m_streamed = streamed;
    m_streamCount = streamed ? preRoll : kDefaultStreamBuffers;
    m_played = m_written = 0;
    m_ended = false;
    return true;
}

bool CWaveDevice::QueueNext(int header) {
    const size_t frame = std::max<size_t>(m_format.nBlockAlign, 1);
    const size_t want = std::min<size_t>(kMaxBufferFrames * frame, m_end - m_readPos);
    if (want == 0 || !m_source) return false;
    const int64_t got = m_source->Read(m_outBuffers[static_cast<size_t>(header)].data(), static_cast<int64_t>(want));
    const size_t whole = got > 0 ? static_cast<size_t>(got) / frame * frame : 0;
    if (whole == 0) {
        // Short or failed read: the range ends here.
        m_end = m_readPos;
        return false;
    }
    m_readPos += static_cast<uint32_t>(whole);
    if (whole < want) m_end = m_readPos;
    m_outDone[static_cast<size_t>(header)] = false;
    m_outLength[static_cast<size_t>(header)] = static_cast<uint32_t>(whole);
    return m_out.Add(header, m_outBuffers[static_cast<size_t>(header)].data(), whole);
}

bool CWaveDevice::Play(uint32_t start, uint32_t end) {
    if (!m_source || !m_out.IsOpen()) {
        m_lastError = kDevGeneric;
        return false;
    }
    const uint32_t length = m_source->DataLength();
    if (end == 0 || end > length) end = length;
    m_start = m_source->AlignToFrame(std::min(start, end));
    m_end = m_source->AlignToFrame(end);
    m_readPos = m_start;
    m_played = 0;
    m_ended = false;
    if (m_source->Seek(m_start, 0) != static_cast<int64_t>(m_start)) {
        m_lastError = kDevGeneric;
        return false;
    }
    m_out.Pause();
    for (int h = 0; h < kOutputHeaders && QueueNext(h); ++h) {
    }
    m_out.Restart();
    if (m_end <= m_start) EndOfPlayback();
    return true;
}

bool CWaveDevice::BeginStream(uint32_t start, uint32_t end) {
    if (!m_out.IsOpen()) {
        m_lastError = kDevGeneric;
        return false;
    }
    if (m_streamCount < 3) m_streamCount = 2;
    m_streamCount = std::min(m_streamCount, kOutputHeaders);
    m_start = start;
    m_end = std::max(start, end);
    m_played = m_written = 0;
    m_queuedSinceBegin = 0;
    m_streamStarted = false;
    m_ended = false;
    m_out.Pause();
    return true;
}

bool CWaveDevice::StreamComplete() const {
    return !m_streamLooping && m_written >= uint64_t{m_end - m_start};
}

bool CWaveDevice::WriteStreamBlock(CWaveFile& block, size_t sampleCount) {
    if (!m_out.IsOpen() || !m_streamed) {
        m_lastError = kDevGeneric;
        return false;
    }
    int free = -1;
    for (int h = 0; h < m_streamCount; ++h) {
        if (m_outDone[static_cast<size_t>(h)]) {
            free = h;
            break;
        }
    }
    if (free < 0) {
        m_lastError = kDevGeneric;
        return false;
    }
    const size_t bps = static_cast<size_t>(std::max(BytesPerSampleOf(m_format), 1));
    const size_t frame = std::max<size_t>(m_format.nBlockAlign, 1);
    const size_t bytes = std::min<size_t>(sampleCount * bps / frame, kMaxBufferFrames) * frame;
    uint8_t* data = m_outBuffers[static_cast<size_t>(free)].data();
    block.BlockToBytes(data, static_cast<uint32_t>(bytes), &m_format);
    m_outDone[static_cast<size_t>(free)] = false;
    m_outLength[static_cast<size_t>(free)] = static_cast<uint32_t>(bytes);
    m_out.Add(free, data, bytes);
    m_written += bytes;
    ++m_queuedSinceBegin;
    // A stream shorter than the pre-roll sounds once it is all there.
    if (!m_streamStarted && (m_queuedSinceBegin >= m_streamCount - 1 || StreamComplete())) {
        m_streamStarted = true;
        m_out.Restart();
    }
    return true;
}

void CWaveDevice::OnPlayBufferDone(int header) {
    if (header < 0 || header >= kOutputHeaders || !m_out.IsOpen()) return;
    const auto h = static_cast<size_t>(header);
    m_played += m_outLength[h];
    m_meter.Feed(m_format, m_outBuffers[h].data(), m_outLength[h]);
    m_outDone[h] = true;
    if (m_streamed) {
        if (StreamComplete() && m_played >= m_written) EndOfPlayback();
        return;
    }
    if (m_readPos < m_end) QueueNext(header);
    if (m_readPos >= m_end && m_played >= uint64_t{m_end - m_start}) EndOfPlayback();
}

void CWaveDevice::EndOfPlayback() {
    if (m_ended) return;
    m_ended = true;
    if (m_owner) m_owner->OnEndOfPlayback();
}

uint32_t CWaveDevice::GetPosition() {
    if (m_streamed) {
        const uint32_t range = m_end - m_start;
        return range == 0 ? m_start : m_start + static_cast<uint32_t>(m_played % range);
    }
    return static_cast<uint32_t>(std::min<uint64_t>(m_end, m_start + m_out.Position()));
}

void CWaveDevice::StopPlayback() {
    m_meter.Reset();
    m_out.Close();
    m_outBuffers.clear();
    m_outDone.fill(true);
    m_source = nullptr;
}

// --- recording ---------------------------------------------------------------

bool CWaveDevice::InitCapture() {
    m_input = Resolve(true, nullptr, m_inIndex);
    return true;
}

bool CWaveDevice::QueryCaptureFormat(const WAVEFORMATEX& format) {
    CHeaderQueue probe;
    const int error =
        probe.Open(m_host, m_input.name.empty() ? Resolve(true, nullptr, m_inIndex) : m_input, format, [](int) {});
    m_lastError = DeviceErrorOf(error);
    return error == kHostOk;
}

bool CWaveDevice::OpenCapture(CWaveFile& target) {
    m_format = target.Format();
    auto onDone = [this](int header) { OnCaptureBufferDone(header); };
    int error = m_in.Open(m_host, m_input, m_format, onDone);
    if (error != kHostOk) error = m_in.Open(m_host, m_input, m_format, onDone);
    m_lastError = DeviceErrorOf(error);
    if (error != kHostOk) {
        Services().MessageBox(ErrorText(m_lastError), kAppCaption, MsgIcon::Exclamation, MsgButtons::Ok);
        return false;
    }
    // The stream runs from here; queueing waits for StartCapture so that nothing is taken before.
    const size_t frame = std::max<size_t>(m_format.nBlockAlign, 1);
    const size_t frames = std::max<size_t>(m_format.nAvgBytesPerSec / kInputBuffers, 1024);
    m_inBuffers.resize(kInputBuffers);
    for (auto& b : m_inBuffers) b.assign(frames * frame, 0);
    return true;
}

bool CWaveDevice::StartCapture() {
    if (!m_in.IsOpen()) {
        m_lastError = kDevGeneric;
        return false;
    }
    m_inFirst = m_inCount = 0;
    for (int h = 0; h < kInputBuffers; ++h) {
        m_in.Add(h, m_inBuffers[static_cast<size_t>(h)].data(), m_inBuffers[static_cast<size_t>(h)].size());
        m_inOrder[(m_inFirst + m_inCount++) % m_inOrder.size()] = h;
    }
    return true;
}

void CWaveDevice::OnCaptureBufferDone(int header) {
    if (!m_in.IsOpen() || m_inCount == 0 || m_inOrder[m_inFirst % m_inOrder.size()] != header) return;
    ++m_inFirst;
    --m_inCount;
    const auto h = static_cast<size_t>(header);
    if (m_captureHandler) m_captureHandler->OnCaptured(m_inBuffers[h].data(), m_in.Filled(header));
    m_in.Add(header, m_inBuffers[h].data(), m_inBuffers[h].size());
    m_inOrder[(m_inFirst + m_inCount++) % m_inOrder.size()] = header;
}

void CWaveDevice::StopCapture() {
    if (!m_in.IsOpen()) return;
    m_in.Close();
    // Buffers that were full or partly filled when the device stopped are saved too, in order.
    for (; m_inCount > 0; --m_inCount, ++m_inFirst) {
        const int header = m_inOrder[m_inFirst % m_inOrder.size()];
        const size_t filled = m_in.Filled(header);
        if (filled > 0 && m_captureHandler) {
            m_captureHandler->OnCaptured(m_inBuffers[static_cast<size_t>(header)].data(), filled);
        }
    }
    m_inBuffers.clear();
    if (m_captureHandler) m_captureHandler->OnCaptureStopped();
}
