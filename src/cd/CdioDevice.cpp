#include "cd/CdioDevice.h"

#include <cdio/cdio.h>
#include <cdio/logging.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <cstring>

struct CCdioDevice::Impl {
    CdIo_t* cdio = nullptr;
    cdrom_drive_t* cdda = nullptr;
    cdrom_paranoia_t* paranoia = nullptr;
    bool jitter = false;
    int32_t nextLsn = -1;  // where paranoia stands; a read elsewhere seeks first
};

namespace {

// libcdio prints its warnings to stderr unless told otherwise; failures are reported through
// LastError instead.
void QuietLog(cdio_log_level_t, const char*) {}

std::string Trim(const char* text, size_t max) {
    std::string s(text, strnlen(text, max));
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

}  // namespace

CCdioDevice::CCdioDevice() : m_impl(std::make_unique<Impl>()) {}

CCdioDevice::~CCdioDevice() {
    Close();
}

bool CCdioDevice::Open(const std::string& source, bool jitterCorrection) {
    Close();
    static const bool quiet = (cdio_log_set_handler(QuietLog), true);
    (void)quiet;
    m_impl->cdio = cdio_open(source.c_str(), DRIVER_UNKNOWN);
    if (!m_impl->cdio) {
        m_error = "cannot open " + source;
        return false;
    }
    m_impl->jitter = jitterCorrection;
    return true;
}

void CCdioDevice::Close() {
    if (m_impl->paranoia) cdio_paranoia_free(m_impl->paranoia);
    // The paranoia drive record shares the libcdio handle and closes it.
    if (m_impl->cdda)
        cdio_cddap_close(m_impl->cdda);
    else if (m_impl->cdio)
        cdio_destroy(m_impl->cdio);
    m_impl->paranoia = nullptr;
    m_impl->cdda = nullptr;
    m_impl->cdio = nullptr;
    m_impl->nextLsn = -1;
}

bool CCdioDevice::ReadToc(CCdToc& toc) {
    toc = {};
    CdIo_t* p = m_impl->cdio;
    if (!p) return false;
    const track_t first = cdio_get_first_track_num(p);
    const track_t count = cdio_get_num_tracks(p);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0) {
        m_error = "no table of contents";
        return false;
    }
    const lsn_t leadOut = cdio_get_track_lsn(p, CDIO_CDROM_LEADOUT_TRACK);
    if (leadOut == CDIO_INVALID_LSN) {
        m_error = "no lead-out";
        return false;
    }
    for (int t = first; t < first + count; ++t) {
        const lsn_t start = cdio_get_track_lsn(p, static_cast<track_t>(t));
        const lsn_t next = t + 1 < first + count ? cdio_get_track_lsn(p, static_cast<track_t>(t + 1)) : leadOut;
        if (start == CDIO_INVALID_LSN || next == CDIO_INVALID_LSN || next < start) {
            m_error = "bad track address";
            return false;
        }
        CdTrack track;
        track.number = t;
        track.startLsn = start;
        track.frames = static_cast<uint32_t>(next - start);
        track.audio = cdio_get_track_format(p, static_cast<track_t>(t)) == TRACK_FORMAT_AUDIO;
        toc.tracks.push_back(track);
    }
    toc.leadOutLsn = leadOut;
    return true;
}

bool CCdioDevice::StartParanoia() {
    m_impl->cdda = cdio_cddap_identify_cdio(m_impl->cdio, CDDA_MESSAGE_FORGETIT, nullptr);
    if (!m_impl->cdda || cdio_cddap_open(m_impl->cdda) != 0) {
        if (m_impl->cdda) cdio_cddap_close_no_free_cdio(m_impl->cdda);
        m_impl->cdda = nullptr;
        return false;
    }
    m_impl->paranoia = cdio_paranoia_init(m_impl->cdda);
    if (!m_impl->paranoia) return false;
    paranoia_modeset(m_impl->paranoia, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
    return true;
}

int CCdioDevice::ReadAudio(int32_t lsn, uint32_t frames, uint8_t* buffer) {
    if (!m_impl->cdio) {
        m_error = "drive not open";
        return -1;
    }
    if (m_impl->jitter && !m_impl->paranoia && !StartParanoia()) {
        // A drive paranoia cannot drive is still read, only without verification.
        m_impl->jitter = false;
    }
    if (!m_impl->paranoia) {
        if (cdio_read_audio_sectors(m_impl->cdio, buffer, lsn, frames) != DRIVER_OP_SUCCESS) {
            m_error = "read error";
            return -1;
        }
        return static_cast<int>(frames);
    }
    if (lsn != m_impl->nextLsn) paranoia_seek(m_impl->paranoia, lsn, SEEK_SET);
    for (uint32_t i = 0; i < frames; ++i) {
        const int16_t* frame = cdio_paranoia_read_limited(m_impl->paranoia, nullptr, 3);
        if (!frame) {
            m_error = "read error";
            m_impl->nextLsn = -1;
            return -1;
        }
        std::memcpy(buffer + static_cast<size_t>(i) * CDIO_CD_FRAMESIZE_RAW, frame, CDIO_CD_FRAMESIZE_RAW);
    }
    m_impl->nextLsn = lsn + static_cast<int32_t>(frames);
    return static_cast<int>(frames);
}

std::string CCdioDevice::HardwareName() const {
    if (!m_impl->cdio) return {};
    cdio_hwinfo_t info{};
    if (!cdio_get_hwinfo(m_impl->cdio, &info)) return {};
    std::string vendor = Trim(info.psz_vendor, sizeof info.psz_vendor);
    std::string model = Trim(info.psz_model, sizeof info.psz_model);
    if (vendor.empty()) return model;
    return model.empty() ? vendor : vendor + " " + model;
}
