// The MP3 encoder set-up dialog without its window: the fields, what
// choosing an encoder type puts into them and enables, and OK.
#pragma once

#include <string>

#include "codecs/Mp3Options.h"

class CSettingsStore;

class CMP3Setup {
public:
    // The encoder program each type stands for, as found on the PATH here.
    static const char* ProgramNameFor(int type);
    static bool DllBoxEnabled(int type) { return type == Mp3Options::kBladeEnc || type == Mp3Options::kLame; }
    static bool VbrBoxEnabled(int type) {
        return type == Mp3Options::kLame || type == Mp3Options::kOggVorbis || type == Mp3Options::kXing;
    }
    // The file dialog's filter for "Browse...".
    static constexpr const char* kBrowseFilter = "Programs (*)|*|All files (*.*)|*.*||";

    // The fields as stored (the dialog's defaults where nothing is).
    explicit CMP3Setup(const CSettingsStore& store);

    // A click on an encoder type's radio button.
    void ChooseType(int type);

    std::string path;
    std::string extraOptions;
    int type;
    bool useDll;
    bool useVbr;
    std::string bitRateText;  // "%d"
    bool dllEnabled() const { return DllBoxEnabled(type); }
    bool vbrEnabled() const { return VbrBoxEnabled(type); }

    // OK: the six keys written; the bit rate from its text (0 when it holds no number).
    bool Ok(CSettingsStore& store) const;
};
