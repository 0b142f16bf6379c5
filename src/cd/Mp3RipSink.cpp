#include "cd/Mp3RipSink.h"

#include "audiofile/WaveFormat.h"
#include "base/SettingsStore.h"
#include "cd/CdRipper.h"

std::unique_ptr<ICdAudioSink> CMp3RipSink::Open(const std::string& path, const CSettingsStore& store,
                                                const AudioTags& tags) {
    std::unique_ptr<CMp3RipSink> sink(new CMp3RipSink(Mp3Options::Load(store)));
    sink->m_encoder.SetTags(tags);
    if (!sink->m_encoder.OpenEncodeStream(path, MakeWaveFormat(kWaveFormatPcm, 2, 44100, 16))) return nullptr;
    sink->m_open = true;
    return sink;
}

CMp3RipSink::~CMp3RipSink() {
    if (m_open) m_encoder.CloseEncodeStream();
}

bool CMp3RipSink::Write(const uint8_t* data, size_t bytes) {
    return m_open && m_encoder.EncodeSamples(data, bytes);
}

void CMp3RipSink::Abandon() {
    if (m_open) m_encoder.Abandon();
    m_open = false;
}

void InstallMp3Ripping() {
    CCdRipper::SetMp3SinkFactory(
        [](const std::string& path, const AudioTags& tags) { return CMp3RipSink::Open(path, Profile(), tags); });
}
