#include "devices/Player.h"

#include "audiofile/FileNames.h"
#include "base/Services.h"
#include "base/StringTable.h"

namespace {

bool Sounding(int state) {
    return state == kPlayerPlaying || state == kPlayerPaused || state == kPlayerRecordingWhilePlaying;
}

}  // namespace

CPlayer::CPlayer(CAudioDevice& device) : m_device(&device) {
    m_device->SetOwner(this);
    m_device->SetCaptureHandler(this);
}

CPlayer::~CPlayer() {
    StopRecording();
    StopPlayback();
    ForgetStream();
    m_device->SetOwner(nullptr);
    m_device->SetCaptureHandler(nullptr);
}

void CPlayer::SetDevice(CAudioDevice& device) {
    if (&device == m_device) return;
    StopRecording();
    StopPlayback();
    m_device->SetOwner(nullptr);
    m_device->SetCaptureHandler(nullptr);
    m_device = &device;
    m_device->SetOwner(this);
    m_device->SetCaptureHandler(this);
    m_device->SetStreamLooping(m_loop);
}

// --- playback ----------------------------------------------------------------

bool CPlayer::PlayFile(const std::string& path, uint32_t start, uint32_t end, bool sessionMode) {
    if (Sounding(State())) StopPlayback();
    m_source.SetSessionMode(sessionMode);
    const int rc = m_source.OpenRead(path);
    if (rc != kFileOk) {
        CWaveFile::ReportFileError(rc, path);
        return false;
    }
    Meter().Reset();
    const bool ok =
        m_device->InitPlayback() && m_device->OpenPlayback(m_source, false, 0) && m_device->Play(start, end);
    if (!ok) {
        if (m_device->IsWdm()) {
            Services().MessageBox(m_device->ErrorText(m_device->LastError()), kAppCaption, MsgIcon::Exclamation,
                                  MsgButtons::Ok);
        }
        m_device->StopNotifications();
        m_device->StopPlayback();
        m_source.Close();
        // Recording goes on whatever playback does.
        if (State() != kPlayerRecording && State() != kPlayerRecordingWhilePlaying) SetState(kPlayerStopped);
        return false;
    }
    const int state = State();
    SetState(state == kPlayerRecording || state == kPlayerRecordingWhilePlaying ? kPlayerRecordingWhilePlaying
                                                                                : kPlayerPlaying);
    m_timer = true;
    ApplyPan();
    return true;
}

bool CPlayer::PlayStream(CWaveFile& block, uint32_t endBytes) {
    if (Sounding(State())) StopPlayback();
    const bool ok = m_device->InitPlayback() && m_device->OpenPlayback(block, true, kStreamPreRoll);
    if (!ok) {
        if (m_device->IsWdm()) {
            Services().MessageBox(m_device->ErrorText(m_device->LastError()), kAppCaption, MsgIcon::Exclamation,
                                  MsgButtons::Ok);
        }
        m_device->StopNotifications();
        m_device->StopPlayback();
        return false;
    }
    block.SetOutputMode(kOutBlock);
    block.SetBlockConsumer(this);
    m_block = &block;
    Meter().Reset();
    if (State() != kPlayerRecordingWhilePlaying) SetState(kPlayerPlaying);
    m_device->SetStreamLooping(m_loop);
    m_device->BeginStream(0, endBytes);
    m_timer = true;
    ApplyPan();
    return true;
}

bool CPlayer::WriteBlock(CWaveFile& block, size_t sampleCount) {
    while (!m_device->WriteStreamBlock(block, sampleCount)) {
        Services().PumpMessages();
        if (CancelFlag().load() || !Sounding(State())) return false;
        // A posted buffer-done notice (MME) or the time for a segment to play (WDM) makes room.
        Services().WaitMessages(50);
        if (CancelFlag().load() || !Sounding(State())) return false;
    }
    return true;
}

void CPlayer::OnEndOfPlayback() {
    m_device->StopNotifications();
    m_device->StopPlayback();
    m_source.Close();
    m_timer = false;
    // A recording that was running while the file played goes on.
    const int state = State();
    SetState(state == kPlayerRecordingWhilePlaying                    ? kPlayerRecording
             : state == kPlayerRecording || state == kPlayerCapturing ? state
                                                                      : kPlayerStopped);
}

void CPlayer::StopPlayback() {
    if (!Sounding(State()) && !m_timer) return;
    OnEndOfPlayback();
}

void CPlayer::PausePlayback() {
    if (State() != kPlayerPlaying) return;
    m_device->Pause();
    SetState(kPlayerPaused);
}

void CPlayer::ResumePlayback() {
    if (State() != kPlayerPaused) return;
    m_device->Resume();
    SetState(kPlayerPlaying);
}

void CPlayer::SetListening(bool leftOnly, bool rightOnly) {
    m_leftOnly = leftOnly;
    m_rightOnly = rightOnly;
    if (Sounding(State())) ApplyPan();
}

void CPlayer::ApplyPan() {
    m_device->SetPan(m_rightOnly && !m_leftOnly ? 10000 : m_leftOnly ? -10000 : 0);
}

void CPlayer::OnTimer() {
    if (m_timer && m_positionHook) m_positionHook(Position());
}

// --- the seams of the runner and the track tools -------------------------------

bool CPlayer::StartStream(CWaveFile& block, const WAVEFORMATEX&, uint32_t lengthBytes) {
    ForgetStream();
    return PlayStream(block, lengthBytes);
}

bool CPlayer::TakeBlock(const int32_t* samples, size_t count) {
    // The device converts from the block itself: the samples are always its block start.
    if (!m_block || samples != m_block->BlockStart() || !Sounding(State())) return false;
    return WriteBlock(*m_block, count);
}

void CPlayer::SetLoop(bool on) {
    m_loop = on;
    m_device->SetStreamLooping(on);
}

void CPlayer::ForgetStream() {
    if (m_block) m_block->SetBlockConsumer(nullptr);
    m_block = nullptr;
}

bool CPlayer::PlayRange(CWaveFile& song, uint32_t startBytes, uint32_t endBytes) {
    // A reader of our own: the device reads on its own thread while the song stays the caller's.
    return PlayFile(song.FileName(), startBytes, endBytes, song.SessionMode());
}

bool CPlayer::IsPlaying() const {
    return Sounding(State());
}

bool CPlayer::PlayingAt(uint32_t& bytes) {
    if (!IsPlaying()) return false;
    bytes = Position();
    return true;
}

// --- recording -----------------------------------------------------------------

void CPlayer::SetupGate(bool on, int32_t threshold, uint32_t holdMs) {
    std::lock_guard<std::mutex> lock(m_takeLock);
    m_gate.Setup(on, threshold, holdMs);
}

bool CPlayer::StartRecording(const std::string& name, const WAVEFORMATEX& format, bool newTake) {
    {
        std::lock_guard<std::mutex> lock(m_takeLock);
        if (newTake) m_parts.clear();
        const std::string target = !newTake && !m_parts.empty() ? m_parts.back() : name;
        WAVEFORMATEX fmt = format;
        if (m_capture.OpenWrite(target, fmt, newTake ? kWriteCreate : kWriteAppend) != kFileOk) {
            ShowMessage(kMsgCannotWrite, MsgIcon::Stop);
            return false;
        }
        m_captureOpen = true;
        m_fileBytes.store(m_capture.DataLength());
        if (newTake) m_takeBytes.store(0);
        m_framesSeen = 0;
        m_inputMs.store(0);
    }
    m_device->SetCaptureHandler(this);
    if (!m_device->InitCapture() || !m_device->OpenCapture(m_capture) || !m_device->StartCapture()) {
        ShowMessage(kMsgRecordingHardware, MsgIcon::Exclamation);
        m_device->StopCapture();
        OnCaptureStopped();
        return false;
    }
    return true;
}

void CPlayer::StopRecording() {
    m_device->StopCapture();
    OnCaptureStopped();
    const int state = State();
    if (state == kPlayerRecording || state == kPlayerCapturing) SetState(kPlayerStopped);
    if (state == kPlayerRecordingWhilePlaying) SetState(kPlayerPlaying);
    m_gateOpen.store(false);
}

void CPlayer::OnCaptureStopped() {
    std::lock_guard<std::mutex> lock(m_takeLock);
    if (!m_captureOpen) return;
    m_capture.FinishWrite();
    m_capture.Close();
    m_captureOpen = false;
}

std::vector<std::string> CPlayer::TakeParts() const {
    std::lock_guard<std::mutex> lock(m_takeLock);
    return m_parts;
}

bool CPlayer::OnCaptured(const uint8_t* bytes, size_t byteCount) {
    int32_t left = 0, right = 0;
    std::lock_guard<std::mutex> lock(m_takeLock);
    const WAVEFORMATEX& format = m_capture.Format();
    CLevelMeter::PeaksOf(format, bytes, byteCount, left, right);
    Meter().Set(left, right);
    m_framesSeen += byteCount / std::max<uint16_t>(format.nBlockAlign, 1);
    const uint64_t nowMs = m_framesSeen * 1000 / std::max<uint32_t>(format.nSamplesPerSec, 1);
    m_inputMs.store(nowMs);
    const int state = State();
    const bool write =
        m_gate.Decide(left, right, state == kPlayerRecording || state == kPlayerRecordingWhilePlaying, nowMs);
    m_gateOpen.store(write);
    if (!write || !m_captureOpen || byteCount == 0) return true;
    if (m_capture.Write(bytes, static_cast<int64_t>(byteCount)) != static_cast<int64_t>(byteCount)) return false;
    m_fileBytes.fetch_add(byteCount);
    m_takeBytes.fetch_add(byteCount);
    if (m_fileBytes.load() > m_partLimit) return ContinueInNewPart();
    return true;
}

bool CPlayer::ContinueInNewPart() {
    const std::string current = m_capture.FileName();
    if (m_parts.empty()) m_parts.push_back(current);
    // Named after the current file, so the third part of Take.wav is Take_part2_part3.wav.
    const std::string next = ReplaceExtension(current, "_part" + std::to_string(m_parts.size() + 1) + ".wav");
    WAVEFORMATEX fmt = m_capture.Format();
    const bool finished = m_capture.FinishWrite() == kFileOk;
    m_capture.Close();
    if (!finished || m_capture.OpenWrite(next, fmt, kWriteCreate) != kFileOk) {
        m_captureOpen = false;
        Services().PostMessage([] { ShowMessage(kMsgCannotWrite, MsgIcon::Stop); });
        return true;
    }
    m_parts.push_back(next);
    m_fileBytes.store(0);
    return true;
}
