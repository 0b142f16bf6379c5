// The recording half of the WDM back-end.
#include <algorithm>

#include "audiofile/WaveFile.h"
#include "base/Services.h"
#include "base/StringTable.h"
#include "devices/DirectSoundDevice.h"

bool CDirectSoundDevice::InitCapture() {
    StopCapture();
    m_input = Resolve(true, &m_inId, -1);
    if (!m_captureRunning.exchange(true)) {
        if (m_captureThread.joinable()) m_captureThread.join();
        m_captureThread = std::thread([this] { CaptureLoop(); });
    }
    return true;
}

bool CDirectSoundDevice::QueryCaptureFormat(const WAVEFORMATEX& format) {
    // Asking is opening once: the device says yes or no only then.
    CCaptureBuffer probe;
    const AudioEndpoint device = m_input.name.empty() ? Resolve(true, &m_inId, -1) : m_input;
    const int error = probe.Create(m_host, device, format, format.nBlockAlign * 1024u, format.nBlockAlign * 64u);
    m_lastError = DeviceErrorOf(error);
    return error == kHostOk;
}

bool CDirectSoundDevice::OpenCapture(CWaveFile& target) {
    const WAVEFORMATEX& format = target.Format();
    const size_t frame = std::max<size_t>(format.nBlockAlign, 1);
    const size_t segment = std::max<size_t>(format.nAvgBytesPerSec / 8, 1024) / frame * frame;
    std::lock_guard<std::mutex> lock(m_captureLock);
    const int error = m_capture.Create(m_host, m_input, format, segment * kCaptureSegments, segment);
    m_lastError = DeviceErrorOf(error);
    return error == kHostOk;
}

bool CDirectSoundDevice::StartCapture() {
    m_captureFailed.store(false);
    if (!m_capture.Start()) {
        m_lastError = kDevGeneric;
        return false;
    }
    return true;
}

void CDirectSoundDevice::StopCapture() {
    if (!m_capture.Exists()) return;
    m_capture.Stop();
    // What came in since the last notification is saved the same way.
    HandleCaptured();
    {
        std::lock_guard<std::mutex> lock(m_captureLock);
        m_capture.Release();
    }
    if (m_captureHandler) m_captureHandler->OnCaptureStopped();
}

void CDirectSoundDevice::StopCaptureThread() {
    m_captureRunning.store(false);
    m_capture.Signal();
    if (m_captureThread.joinable()) m_captureThread.join();
}

void CDirectSoundDevice::CaptureLoop() {
    while (true) {
        // Read before looking, so that a segment filled meanwhile wakes the wait below.
        const uint32_t seen = m_capture.Events();
        if (!m_captureRunning.load()) break;
        HandleCaptured();
        m_capture.WaitEvent(seen);
    }
}

void CDirectSoundDevice::HandleCaptured() {
    std::lock_guard<std::mutex> lock(m_captureLock);
    if (!m_captureHandler || m_captureFailed.load() || !m_capture.Exists()) return;
    bool ok = true;
    m_capture.Consume([&](const uint8_t* bytes, size_t n) {
        if (ok) ok = m_captureHandler->OnCaptured(bytes, n);
    });
    if (!ok) {
        // Nothing more is saved of this take; the interface says why.
        m_captureFailed.store(true);
        Services().PostMessage([] { ShowMessage(kMsgCaptureSaveError, MsgIcon::Stop); });
    }
}
