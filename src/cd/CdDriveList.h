// The drives the ripper offers: the CD drives libcdio finds, then every CUE/BIN
// and TOC/BIN image of the image folder, then images the user opened. An image
// is read through libcdio's image drivers exactly as a disc in a drive.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

class ICdDevice;

struct CdDriveEntry {
    std::string name;    // shown in the drive combo
    std::string source;  // device path or image file
    bool image = false;
};

class CCdDriveList {
public:
    // Every drive of the machine and every "*.cue"/"*.toc" file of imageFolder (empty: none), by name.
    static std::vector<CdDriveEntry> Scan(const std::string& imageFolder);
    // The entry for one image file.
    static CdDriveEntry ImageEntry(const std::string& path);

    // Opens the drive or image of entry; null when it cannot be opened.
    using Opener = std::function<std::unique_ptr<ICdDevice>(const CdDriveEntry& entry, bool jitterCorrection)>;
    static std::unique_ptr<ICdDevice> Open(const CdDriveEntry& entry, bool jitterCorrection);
    // Replaces how drives are opened (tests put in failing drives); an empty opener restores libcdio.
    static void SetOpener(Opener opener);
};
