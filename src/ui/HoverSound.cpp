#include "ui/HoverSound.h"

#include <QProcess>
#include <cmath>
#include <vector>

#include "audiofile/WaveFile.h"
#include "base/AppSettings.h"
#include "base/ProgramPaths.h"
#include "ui/PictureButton.h"

namespace {

constexpr uint32_t kRate = 44100;
constexpr int kTickMs = 30;
constexpr qint64 kQuietMs = 120;  // a sweep across the buttons ticks once, not at every one

bool WriteTick(const std::string& path) {
    CWaveFile wave;
    WAVEFORMATEX format = MakeWaveFormat(kWaveFormatPcm, 1, kRate, 16);
    if (wave.OpenWrite(path, format, kWriteCreate) != kFileOk) return false;
    const size_t count = kRate * kTickMs / 1000;
    std::vector<uint8_t> bytes(count * 2);
    for (size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const auto v = static_cast<int16_t>(3000.0 * std::exp(-t * 180.0) * std::sin(2 * 3.14159265 * 1800.0 * t));
        bytes[2 * i] = static_cast<uint8_t>(static_cast<uint16_t>(v) & 0xFF);
        bytes[2 * i + 1] = static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8);
    }
    const bool ok =
        wave.Write(bytes.data(), static_cast<int64_t>(bytes.size())) == static_cast<int64_t>(bytes.size()) &&
        wave.FinishWrite() == kFileOk;
    wave.Close();
    return ok;
}

}  // namespace

CHoverSound::CHoverSound(const AppSettings& settings, std::function<bool()> busy)
    : m_settings(settings), m_busy(std::move(busy)) {
    for (const char* player : {"paplay", "aplay"}) {
        if (CProgramPaths::OnPath(player)) {
            m_player = QString::fromLatin1(player);
            break;
        }
    }
    const std::string file = CProgramPaths::Join(settings.TempPath, "hover-tick.wav");
    if (!m_player.isEmpty() && (CProgramPaths::Exists(file) || WriteTick(file))) m_file = QString::fromStdString(file);
}

void CHoverSound::Install(bool on) {
    if (on && !m_file.isEmpty()) {
        CPictureButton::SetHoverHook([this] { Play(); });
    } else {
        CPictureButton::SetHoverHook({});
    }
}

void CHoverSound::Play() {
    if (!m_settings.UseSounds || m_file.isEmpty() || (m_busy && m_busy())) return;
    if (m_last.isValid() && m_last.elapsed() < kQuietMs) return;
    m_last.start();
    QProcess::startDetached(m_player, {m_file});
}
