#include "devices/Recorder.h"

#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "audiofile/FileNames.h"
#include "audiofile/WaveFile.h"
#include "base/AppSettings.h"
#include "base/ProgramPaths.h"
#include "base/Services.h"
#include "base/StringTable.h"
#include "devices/DeviceChoice.h"
#include "devices/Player.h"

namespace {

// The capture format: CD quality, or 96 kHz / 24 bits for HiResRecording.
WAVEFORMATEX CaptureFormat(bool hiRes) {
    WAVEFORMATEX f = MakeWaveFormat(kWaveFormatPcm, 2, hiRes ? 96000 : 44100, hiRes ? 24 : 16);
    return f;
}

}  // namespace

CRecorder::CRecorder(CPlayer& player, AppSettings& settings)
    : m_player(player),
      m_settings(settings),
      m_flatPreamp(settings.FlatPreamp != 0),
      m_autoDetect(settings.UseVOX != 0) {
    m_timeText = LoadString(kMsgRecordTimeIdle);
}

CRecorder::~CRecorder() {
    m_mixer.Close();
}

void CRecorder::SetSpeeds(int turntableSpeed, int recordSpeed, bool tape) {
    m_turntable = turntableSpeed;
    m_recordSpeed = recordSpeed;
    m_tape = tape;
}

void CRecorder::SetAutoDetect(bool on) {
    m_autoDetect = on;
    m_settings.UseVOX = on ? 1 : 0;
}

std::vector<std::string> CRecorder::InputNames() const {
    return CDeviceChoice(m_settings, m_player.Device().Host(), true).Names();
}

CRecorder::Stage CRecorder::StageOf(int state) {
    switch (state) {
        case kStateMeterCheck:
            return {true, true, kMeterPlain, false};
        case kStateLevelCheck:
            return {false, true, kMeterTargetZone, false};
        case kStateReadyToRecord:
            return {false, true, kMeterPlain, false};
        case kStateRecording:
        case kStateRecordingPaused:
            return {false, true, kMeterPlain, true};
        default:
            return {};
    }
}

int CRecorder::SelectedInput() const {
    return CDeviceChoice(m_settings, m_player.Device().Host(), true).Selected();
}

void CRecorder::SelectInput(int index, const std::function<void()>& recreate) {
    if (m_workflowState != kStateMeterCheck && m_workflowState != kStateRecording) return;
    m_player.StopRecording();
    m_player.Meter().Reset();
    CDeviceChoice(m_settings, m_player.Device().Host(), true).Store(index);
    if (recreate) recreate();
    if (m_workflowState == kStateRecording) {
        Record();
    } else {
        Monitor();
    }
}

bool CRecorder::Monitor() {
    return StartCapture(false);
}

bool CRecorder::StartCapture(bool write) {
    const int state = m_player.State();
    if (state == kPlayerPlaying || state == kPlayerPaused) {
        m_player.StopPlayback();
    } else if (state == kPlayerRecording || state == kPlayerRecordingWhilePlaying) {
        // Writing stops; the take stays open and Continue resumes it.
        m_player.SetState(kPlayerCapturing);
        return true;
    } else if (state != kPlayerStopped) {
        return true;
    }

    const auto threshold = static_cast<int32_t>(std::pow(10.0, m_settings.VOXLevel / 20.0) * 8388607.0);
    m_player.SetupGate(m_autoDetect, threshold, CPlayer::kVoxHoldMs);

    const WAVEFORMATEX format = CaptureFormat(m_settings.HiResRecording != 0);
    CAudioDevice& device = m_player.Device();
    if (!device.QueryCaptureFormat(format)) {
        Services().MessageBox(device.ErrorText(device.LastError()), kAppCaption, MsgIcon::Exclamation, MsgButtons::Ok);
        ShowMessage(kMsgChooseOtherDevice, MsgIcon::Exclamation);
        return false;
    }

    // Recording straight away writes from the first buffer rather than dropping what comes in
    // before the state turns to recording.
    m_player.SetState(write ? kPlayerRecording : kPlayerCapturing);
    m_newTake = m_takePath.empty();
    if (m_newTake) {
        m_recorded = false;
        char name[64];
        if (m_tape) {
            std::snprintf(name, sizeof name, "UnNamed Tape.wav");
        } else {
            std::snprintf(name, sizeof name, "UnNamed %dRPM Record.wav", m_recordSpeed);
        }
        // Always numbered, so an earlier take is never overwritten.
        m_takePath = NumberedVariant(CProgramPaths::Join(m_settings.Bin1Path, name), 1);
    }
    if (!m_player.StartRecording(m_takePath, format, m_newTake)) {
        m_player.SetState(state);
        return false;
    }
    m_ticks = 0;
    return true;
}

bool CRecorder::Record() {
    const int state = m_player.State();
    if (state == kPlayerPlaying || state == kPlayerPaused || state == kPlayerStopped) {
        if (!StartCapture(true)) return false;
    } else if (state != kPlayerCapturing) {
        return true;
    }
    m_player.SetState(kPlayerRecording);
    m_hasTake = true;
    m_recorded = true;
    RefreshTimeText();
    return true;
}

void CRecorder::Pause() {
    const int state = m_player.State();
    if (state == kPlayerRecording || state == kPlayerRecordingWhilePlaying) m_player.SetState(kPlayerCapturing);
}

bool CRecorder::Restart() {
    Stop();
    if (m_hasTake) {
        for (const std::string& file : TakeFiles()) ::unlink(file.c_str());
        m_takePath.clear();
        m_hasTake = false;
    }
    return Record();
}

void CRecorder::Stop() {
    const int state = m_player.State();
    if (state == kPlayerPlaying || state == kPlayerPaused) {
        m_player.StopPlayback();
    } else {
        m_player.StopRecording();
        if (!m_takePath.empty()) m_hasTake = true;
    }
    m_player.Meter().Reset();
    m_settings.FlatPreamp = m_flatPreamp ? 1 : 0;
}

bool CRecorder::SaveAs() {
    if (m_takePath.empty()) return false;
    const std::string caption = LoadString(kMsgRecordingNameCaption);
    std::string name = FileTitle(m_takePath);
    if (Services().AskText(caption, caption, name) != MsgAnswer::Ok || name.empty()) return false;
    if (FileNameOf(name).find('.') == std::string::npos) name += ".wav";
    const std::string target = CProgramPaths::Join(m_settings.Bin1Path, FileNameOf(name));
    if (::strcasecmp(target.c_str(), m_takePath.c_str()) == 0) return true;
    if (CWaveFile::RenameFile(m_takePath, target) != 0) return false;
    m_takePath = target;
    m_recorded = true;  // named by the user: theirs now, even if it holds nothing
    return true;
}

void CRecorder::Close() {
    Stop();
    // A meter check opens a take but never records into it: leave no empty file in Bin1.
    if (!m_recorded && !m_takePath.empty()) {
        for (const std::string& file : TakeFiles()) ::unlink(file.c_str());
        m_takePath.clear();
        m_hasTake = false;
    }
    m_settings.FlatPreamp = m_flatPreamp ? 1 : 0;
    m_mixer.Close();
}

void CRecorder::OnTimer() {
    if (++m_ticks % kTicksPerText == 0) RefreshTimeText();
}

void CRecorder::RefreshTimeText() {
    if (!m_hasTake) {
        m_timeText = LoadString(kMsgRecordTimeIdle);
        return;
    }
    const uint64_t bps = std::max<uint32_t>(m_player.CaptureFormat().nAvgBytesPerSec, 1);
    // The whole take's length: the count of the current part alone would start again at every part.
    const uint64_t seconds = m_player.TakeBytes() / bps;
    char text[96];
    std::snprintf(text, sizeof text, "%s: %02d:%02d",
                  LoadString(m_player.GateSaysWrite() ? kMsgRecordingTime : kMsgWaitingTime).c_str(),
                  static_cast<int>(seconds / 60), static_cast<int>(seconds % 60));
    m_timeText = text;
}

int32_t CRecorder::MeterLeft() const {
    return m_player.Meter().Left();
}

int32_t CRecorder::MeterRight() const {
    return m_player.Meter().Right();
}

bool CRecorder::OpenMixer() {
    return m_mixer.Open(m_settings.RecordMixer);
}

std::vector<std::string> CRecorder::TakeFiles() const {
    std::vector<std::string> parts = m_player.TakeParts();
    if (parts.empty() && !m_takePath.empty()) parts.push_back(m_takePath);
    return parts;
}
