#include "cd/CdDriveList.h"

#include <cdio/cdio.h>

#include <algorithm>
#include <filesystem>
#include <mutex>

#include "audiofile/FileNames.h"
#include "cd/CdioDevice.h"

namespace {

std::mutex g_openerLock;
CCdDriveList::Opener g_opener;

bool IsImageName(const std::string& name) {
    return HasExtension(name, ".cue") || HasExtension(name, ".toc");
}

}  // namespace

std::vector<CdDriveEntry> CCdDriveList::Scan(const std::string& imageFolder) {
    std::vector<CdDriveEntry> drives;
    if (char** devices = cdio_get_devices(DRIVER_DEVICE)) {
        for (char** d = devices; *d; ++d) {
            CdDriveEntry entry{*d, *d, false};
            CCdioDevice probe;
            if (probe.Open(*d, false)) {
                const std::string hw = probe.HardwareName();
                if (!hw.empty()) entry.name = hw + " (" + *d + ")";
            }
            drives.push_back(entry);
        }
        cdio_free_device_list(devices);
    }
    if (!imageFolder.empty()) {
        std::vector<CdDriveEntry> images;
        std::error_code ec;
        for (std::filesystem::directory_iterator it(imageFolder, ec), end; !ec && it != end; it.increment(ec)) {
            if (it->is_regular_file(ec) && IsImageName(it->path().filename().string()))
                images.push_back(ImageEntry(it->path().string()));
        }
        std::sort(images.begin(), images.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
        drives.insert(drives.end(), images.begin(), images.end());
    }
    return drives;
}

CdDriveEntry CCdDriveList::ImageEntry(const std::string& path) {
    return {FileNameOf(path), path, true};
}

std::unique_ptr<ICdDevice> CCdDriveList::Open(const CdDriveEntry& entry, bool jitterCorrection) {
    {
        std::lock_guard lock(g_openerLock);
        if (g_opener) return g_opener(entry, jitterCorrection);
    }
    auto device = std::make_unique<CCdioDevice>();
    if (!device->Open(entry.source, jitterCorrection)) return nullptr;
    return device;
}

void CCdDriveList::SetOpener(Opener opener) {
    std::lock_guard lock(g_openerLock);
    g_opener = std::move(opener);
}
