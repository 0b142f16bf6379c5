#include "cd/BurnRecorder.h"

#include <libburn/libburn.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <mutex>

// The library declares itself in a namespace when compiled as C++.
using namespace burn;

struct CBurnRecorder::Impl {
    burn_drive_info* info = nullptr;  // the grabbed drive while open
    std::vector<std::string> staged;  // one raw audio file per track
    std::FILE* track = nullptr;
};

namespace {

bool Initialise() {
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] {
        ok = burn_initialize() == 1;
        if (ok)
            burn_msgs_set_severities(const_cast<char*>("NEVER"), const_cast<char*>("NEVER"),
                                     const_cast<char*>("restova: "));
    });
    return ok;
}

std::string Trimmed(const char* text, size_t max) {
    std::string s(text, strnlen(text, max));
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

// Waits until the drive has finished its erase or write.
void WaitIdle(burn_drive* drive) {
    burn_progress progress;
    while (burn_drive_get_status(drive, &progress) != BURN_DRIVE_IDLE) usleep(100000);
}

}  // namespace

std::vector<std::unique_ptr<IDiscRecorder>> CBurnRecorder::Scan(const std::string& tempFolder) {
    std::vector<std::unique_ptr<IDiscRecorder>> recorders;
    if (!Initialise()) return recorders;
    burn_drive_info* drives = nullptr;
    unsigned int count = 0;
    // The scan runs on the library's own thread and writes drives and count when it is done, so
    // it must be polled to its end: returning early lets it write into a dead stack frame.
    int scanned;
    while ((scanned = burn_drive_scan(&drives, &count)) == 0) usleep(10000);
    if (scanned < 0 || !drives) return recorders;
    for (unsigned int i = 0; i < count; ++i) {
        if (!drives[i].write_cdr && !drives[i].write_cdrw) continue;
        char address[BURN_DRIVE_ADR_LEN] = {};
        if (burn_drive_get_adr(&drives[i], address) <= 0) continue;
        const std::string name = Trimmed(drives[i].vendor, sizeof drives[i].vendor) + " " +
                                 Trimmed(drives[i].product, sizeof drives[i].product);
        recorders.push_back(std::unique_ptr<IDiscRecorder>(new CBurnRecorder(name, address, tempFolder)));
    }
    // Unlock every drive again: the next scan, and grabbing the chosen recorder, refuse while any is held.
    for (unsigned int i = 0; i < count; ++i) burn_drive_info_forget(&drives[i], 0);
    burn_drive_info_free(drives);
    return recorders;
}

CBurnRecorder::CBurnRecorder(std::string name, std::string address, std::string tempFolder)
    : m_name(std::move(name)),
      m_address(std::move(address)),
      m_tempFolder(std::move(tempFolder)),
      m_impl(std::make_unique<Impl>()) {}

CBurnRecorder::~CBurnRecorder() {
    ClearStaged();
    Close();
}

uint32_t CBurnRecorder::OpenExclusive() {
    if (m_impl->info) return kDiscOk;
    if (!Initialise()) return kDiscCannotOpen;
    std::string address = m_address;
    if (burn_drive_scan_and_grab(&m_impl->info, address.data(), 1) != 1) {
        m_impl->info = nullptr;
        return kDiscInUse;
    }
    return kDiscOk;
}

uint32_t CBurnRecorder::QueryMedia(DiscMedia& media) {
    media = {};
    if (!m_impl->info) return kDiscCannotOpen;
    burn_drive* drive = m_impl->info->drive;
    const burn_disc_status status = burn_disc_get_status(drive);
    const bool rewritable = burn_disc_erasable(drive) != 0;
    switch (status) {
        case BURN_DISC_EMPTY:
            return kDiscOk;
        case BURN_DISC_BLANK:
            media.flags = kMediaBlank | kMediaWritable | (rewritable ? kMediaRewritable : 0);
            break;
        case BURN_DISC_APPENDABLE:
            media.flags = rewritable ? kMediaRewritable : 0;
            media.hasSessions = true;
            media.type = kMediaCdda;
            break;
        default:
            media.flags = rewritable ? kMediaRewritable : 0;
            media.hasSessions = true;
            media.type = kMediaOther;
            break;
    }
    burn_write_opts* opts = burn_write_opts_new(drive);
    const off_t bytes = burn_disc_available_space(drive, opts);
    burn_write_opts_free(opts);
    media.freeBlocks = bytes > 0 ? static_cast<uint32_t>(bytes / 2048) : 0;
    return kDiscOk;
}

uint32_t CBurnRecorder::Erase() {
    if (!m_impl->info) return kDiscCannotOpen;
    burn_drive* drive = m_impl->info->drive;
    burn_disc_erase(drive, 0);
    WaitIdle(drive);
    return burn_drive_wrote_well(drive) ? kDiscOk : kDiscFailed;
}

void CBurnRecorder::Close() {
    if (!m_impl->info) return;
    burn_drive_release(m_impl->info->drive, 0);
    burn_drive_info_free(m_impl->info);
    m_impl->info = nullptr;
}

uint32_t CBurnRecorder::BeginTrack(uint32_t /*blocks*/) {
    std::string path = m_tempFolder + "/restova-track-XXXXXX";
    const int fd = mkstemp(path.data());
    if (fd < 0) return kDiscFailed;
    m_impl->track = fdopen(fd, "wb");
    if (!m_impl->track) {
        close(fd);
        std::remove(path.c_str());
        return kDiscFailed;
    }
    m_impl->staged.push_back(path);
    return kDiscOk;
}

uint32_t CBurnRecorder::AddBlocks(const uint8_t* data, size_t bytes) {
    if (!m_impl->track) return kDiscTrackNotOpen;
    return std::fwrite(data, 1, bytes, m_impl->track) == bytes ? kDiscOk : kDiscFailed;
}

uint32_t CBurnRecorder::EndTrack() {
    if (!m_impl->track) return kDiscTrackNotOpen;
    const bool ok = std::fclose(m_impl->track) == 0;
    m_impl->track = nullptr;
    return ok ? kDiscOk : kDiscFailed;
}

uint32_t CBurnRecorder::Record(bool simulate, bool eject) {
    uint32_t rc = OpenExclusive();
    if (rc != kDiscOk) return rc;
    burn_drive* drive = m_impl->info->drive;
    burn_disc* disc = burn_disc_create();
    burn_session* session = burn_session_create();
    burn_disc_add_session(disc, session, BURN_POS_END);
    bool built = true;
    for (const auto& path : m_impl->staged) {
        burn_track* track = burn_track_create();
        burn_track_define_data(track, 0, 0, 1, BURN_AUDIO);
        burn_source* source = burn_file_source_new(path.c_str(), nullptr);
        built = built && source && burn_track_set_source(track, source) == BURN_SOURCE_OK;
        burn_session_add_track(session, track, BURN_POS_END);
        if (source) burn_source_free(source);
        burn_track_free(track);
    }
    if (built) {
        burn_write_opts* opts = burn_write_opts_new(drive);
        burn_write_opts_set_perform_opc(opts, 0);
        burn_write_opts_set_write_type(opts, BURN_WRITE_SAO, BURN_BLOCK_SAO);
        burn_write_opts_set_simulate(opts, simulate ? 1 : 0);
        burn_write_opts_set_underrun_proof(opts, 1);
        burn_disc_write(opts, disc);
        WaitIdle(drive);
        burn_write_opts_free(opts);
        rc = burn_drive_wrote_well(drive) ? kDiscOk : kDiscFailed;
    } else {
        rc = kDiscFailed;
    }
    burn_session_free(session);
    burn_disc_free(disc);
    ClearStaged();
    burn_drive_release(drive, eject ? 1 : 0);
    burn_drive_info_free(m_impl->info);
    m_impl->info = nullptr;
    return rc;
}

void CBurnRecorder::ClearStaged() {
    if (m_impl->track) std::fclose(m_impl->track);
    m_impl->track = nullptr;
    for (const auto& path : m_impl->staged) std::remove(path.c_str());
    m_impl->staged.clear();
}
