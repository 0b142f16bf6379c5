#include "devices/DirectSoundDevice.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "audiofile/WaveFile.h"
#include "base/Services.h"
#include "base/StringTable.h"

namespace {

MsgId TextOf(uint32_t code) {
    switch (code) {
        case 0:
            return kMsgDsNoError;
        case 0x887800A0:
            return kMsgDsOtherAppHasPriority;
        case 0x887800AA:
            return kMsgDsUninitialized;
        case 0x88780096:
            return kMsgDsBufferLost;
        case 0x88780046:
            return kMsgDsPriorityLevelNeeded;
        case 0x88780064:
            return kMsgDsBadFormat;
        case 0x88780078:
            return kMsgDsNoDriver;
        case 0x88780082:
            return kMsgDsAlreadyInitialized;
        case 0x88780032:
            return kMsgDsInvalidCall;
        case 0x80070057:
            return kMsgDsInvalidParam;
        case 0x8878000A:
            return kMsgDsAllocated;
        case 0x8878001E:
            return kMsgDsControlUnavail;
        case 0x8007000E:
            return kMsgDsOutOfMemory;
        case 0x80040110:
            return kMsgDsNoAggregation;
        case 0x80004005:
            return kMsgDsGeneric;
        case 0x80004001:
            return kMsgDsUnsupported;
        case 0x80004002:
            return kMsgDsNoInterface;
        default:
            return kMsgDsUnknown;
    }
}

}  // namespace

CDirectSoundDevice::CDirectSoundDevice(CAudioHost& host) : CAudioDevice(host) {}

CDirectSoundDevice::~CDirectSoundDevice() {
    StopCapture();
    StopPlayback();
    StopNotifications();
    StopCaptureThread();
}

std::string CDirectSoundDevice::ErrorText(uint32_t code) const {
    return LoadString(kMsgDsErrorPrefix) + LoadString(TextOf(code));
}

void CDirectSoundDevice::SetOutputGuid(const DeviceGuid& id) {
    m_outId = id;
    m_outResolved = false;
}

void CDirectSoundDevice::SetInputGuid(const DeviceGuid& id) {
    m_inId = id;
}

bool CDirectSoundDevice::InitPlayback() {
    m_buffer.Release();
    if (m_reInitOnPlay || !m_outResolved) {
        m_output = Resolve(false, &m_outId, -1);
        m_outResolved = true;
    }
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_active = false;
        m_buffer.Rewind();
    }
    if (!m_threadRunning.exchange(true)) {
        if (m_notifyThread.joinable()) m_notifyThread.join();
        m_notifyThread = std::thread([this] { NotificationLoop(); });
    }
    return true;
}

void CDirectSoundDevice::StopNotifications() {
    m_threadRunning.store(false);
    m_buffer.Signal();
    if (m_notifyThread.joinable() && m_notifyThread.get_id() != std::this_thread::get_id()) m_notifyThread.join();
}

bool CDirectSoundDevice::OpenPlayback(CWaveFile& source, bool streamed, int preRoll) {
    StopPlayback();
    m_format = source.Format();
    const size_t frame = std::max<size_t>(m_format.nBlockAlign, 1);
    size_t segments = 0, segment = 0;
    if (streamed) {
        segments = static_cast<size_t>(std::clamp(preRoll + 1, 1, kMaxSegments));
        segment = kStreamSegmentFrames * frame;
    } else {
        segments = kSegmentsFile;
        segment = std::max<size_t>(3ull * m_format.nSamplesPerSec * frame / kSegmentsFile / frame * frame, frame);
    }
    int error = kHostOk;
    // A device held by another program may come free: ask a few times.
    for (int tries = 0; tries < 10; ++tries) {
        error = m_buffer.Create(m_host, m_output, m_format, segments * segment, segment);
        if (error != kHostBusy) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    m_lastError = DeviceErrorOf(error);
    if (error != kHostOk) return false;
    std::lock_guard<std::mutex> lock(m_lock);
    m_source = &source;
    m_streamed = streamed;
    m_preRollStart = m_preRoll = std::max(preRoll, 0);
    // Room for the largest block a producer hands over, or one segment read from the source.
    m_scratch.assign(std::max<size_t>(segment, size_t{source.BlockLength()} * 4), 0);
    m_generation.fetch_add(1);
    return true;
}

bool CDirectSoundDevice::Play(uint32_t start, uint32_t end) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_source || !m_buffer.Exists()) {
        m_lastError = kDevGeneric;
        return false;
    }
    const uint32_t length = m_source->DataLength();
    if (end == 0 || end > length) end = length;
    m_start = m_source->AlignToFrame(std::min(start, end));
    m_end = m_source->AlignToFrame(end);
    m_readPos = m_start;
    m_endPosted = false;
    m_buffer.Rewind();
    if (m_source->Seek(m_start, 0) != static_cast<int64_t>(m_start)) {
        m_lastError = kDevGeneric;
        return false;
    }
    m_active = true;
    Refill();
    m_buffer.Play();
    return true;
}

bool CDirectSoundDevice::BeginStream(uint32_t start, uint32_t end) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_buffer.Exists()) {
        m_lastError = kDevGeneric;
        return false;
    }
    m_buffer.StopPlay();
    m_buffer.Rewind();
    m_start = start;
    m_end = std::max(start, end);
    m_preRoll = m_preRollStart;
    m_endPosted = false;
    m_active = true;
    return true;
}

bool CDirectSoundDevice::StreamComplete() const {
    return !m_streamLooping && m_buffer.Written() >= uint64_t{m_end - m_start};
}

bool CDirectSoundDevice::WriteStreamBlock(CWaveFile& block, size_t sampleCount) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_active || !m_streamed) {
        m_lastError = kDevGeneric;
        return false;
    }
    const size_t bps = static_cast<size_t>(std::max(BytesPerSampleOf(m_format), 1));
    const size_t frame = std::max<size_t>(m_format.nBlockAlign, 1);
    const size_t bytes = std::min(sampleCount * bps / frame * frame, m_scratch.size());
    if (bytes > m_buffer.Free()) {
        // No room: make sure the ring drains so that there will be.
        if (!m_buffer.Playing()) m_buffer.Play();
        return false;
    }
    block.BlockToBytes(m_scratch.data(), static_cast<uint32_t>(bytes), &m_format);
    m_buffer.Append(m_scratch.data(), bytes);
    if (m_preRoll > 0 && --m_preRoll == 0) m_buffer.Play();
    // A stream shorter than the pre-roll sounds once it is all there.
    if (StreamComplete() && !m_buffer.Playing()) m_buffer.Play();
    return true;
}

int CDirectSoundDevice::PreRollLeft() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_preRoll;
}

void CDirectSoundDevice::Refill() {
    const size_t segment = m_buffer.Segment();
    while (m_readPos < m_end && m_buffer.Free() >= segment) {
        const size_t want = std::min<size_t>(segment, m_end - m_readPos);
        const int64_t got = m_source->Read(m_scratch.data(), static_cast<int64_t>(want));
        if (got <= 0) {
            // A read failure ends the range here: what was queued still plays.
            m_end = m_readPos;
            break;
        }
        const size_t whole = static_cast<size_t>(got) / std::max<size_t>(m_format.nBlockAlign, 1) *
                             std::max<size_t>(m_format.nBlockAlign, 1);
        m_buffer.Append(m_scratch.data(), whole);
        m_readPos += static_cast<uint32_t>(whole);
        if (whole < want) {
            m_end = m_readPos;
            break;
        }
    }
}

void CDirectSoundDevice::NotificationLoop() {
    while (true) {
        // Read before looking, so that an event meanwhile wakes the wait below.
        const uint32_t seen = m_buffer.Events();
        if (!m_threadRunning.load()) break;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            if (m_active && m_buffer.Exists()) {
                if (m_streamed) {
                    OnStreamEvent();
                } else {
                    OnFileEvent();
                }
            }
        }
        m_buffer.WaitEvent(seen);
    }
}

void CDirectSoundDevice::OnFileEvent() {
    const uint64_t played = m_buffer.Played();
    const size_t segment = m_buffer.Segment();
    int32_t left = 0, right = 0;
    m_buffer.PlayedPeaks(played - std::min<uint64_t>(played, segment), segment, left, right);
    m_meter.Set(left, right);
    Refill();
    if (m_readPos >= m_end && played >= m_buffer.Written()) PostEndOfPlayback();
}

void CDirectSoundDevice::OnStreamEvent() {
    const uint64_t played = m_buffer.Played();
    const size_t segment = m_buffer.Segment();
    int32_t left = 0, right = 0;
    m_buffer.PlayedPeaks(played - std::min<uint64_t>(played, segment), segment, left, right);
    m_meter.Set(left, right);
    if (StreamComplete()) {
        if (!m_buffer.Playing()) m_buffer.Play();
        if (played >= m_buffer.Written()) PostEndOfPlayback();
    } else if (m_buffer.Playing() && m_buffer.Queued() < segment) {
        // The producer has fallen behind: hold what is queued and pre-roll again rather than run dry.
        m_buffer.StopPlay();
        m_preRoll = m_preRollStart;
    }
}

void CDirectSoundDevice::PostEndOfPlayback() {
    if (m_endPosted) return;
    m_endPosted = true;
    const uint32_t generation = m_generation.load();
    std::weak_ptr<int> alive = m_alive;
    Services().PostMessage([this, alive, generation] {
        if (alive.expired() || generation != m_generation.load()) return;
        if (m_owner) m_owner->OnEndOfPlayback();
    });
}

uint32_t CDirectSoundDevice::GetPosition() {
    std::lock_guard<std::mutex> lock(m_lock);
    const uint64_t played = m_buffer.Played();
    const uint32_t range = m_end - m_start;
    if (m_streamed) {
        return range == 0 ? m_start : m_start + static_cast<uint32_t>(played % range);
    }
    return static_cast<uint32_t>(std::min<uint64_t>(m_end, m_start + played));
}

void CDirectSoundDevice::StopPlayback() {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_active = false;
        m_source = nullptr;
        m_generation.fetch_add(1);
    }
    m_buffer.Release();
    m_meter.Reset();
}

void CDirectSoundDevice::Pause() {
    m_buffer.StopPlay();
}

void CDirectSoundDevice::Resume() {
    std::lock_guard<std::mutex> lock(m_lock);
    // A stream still pre-rolling starts when its pre-roll is in, as it would have.
    if (m_active && (!m_streamed || m_preRoll == 0 || StreamComplete())) m_buffer.Play();
}

void CDirectSoundDevice::SetRate(int perMille) {
    if (perMille <= 0 || !m_buffer.Exists()) return;
    m_buffer.SetRate(static_cast<uint32_t>(uint64_t{m_format.nSamplesPerSec} * static_cast<uint64_t>(perMille) / 1000));
}
