#include "base/StringTable.h"

#include <unordered_map>

namespace {

const std::unordered_map<int, std::string>& Table() {
    static const std::unordered_map<int, std::string> table = {
        // Wave files
        {kMsgInternalError, "An internal Error has occured: Contact Parlowe support. "},
        {kMsgFormatNotSupported, "ERROR: The wavefile contains a format is not supported by Zarvo."},
        {kMsgCannotOpenFile, "ERROR: Could not open the specified file. An error occured while accessing the file."},
        {kMsgMemoryError, "ERROR: A memory error occured while accessing the wavefile."},
        {kMsgCannotRead, "ERROR: Can not read the wave file. Please check that the filename is correct and that the file is "
              "not in use by another program."},
        {kMsgCannotOpen, "ERROR: Cannot open the file. The file may be in use by another program, or is corrupted."},
        {kMsgResolution, "ERROR: The wave file was recorded at a resolution that is not supported by Zarvo. Zarvo  supports "
              "files that have16 bit resolution."},
        {kMsgCannotWrite, "ERROR: Cannot write to the specified wave file. The file may be in use or there may not be enough "
              "free disk space available. "},
        {kMsgMmePrepare, "ERROR: An error occured preparing the MME buffers for playing. "},
        {kMsgMmeAddBuffer, "ERROR: An error occured while adding buffers to the MME driver."},
        {kMsgTypeNotSupported, "ERROR: The file type is not supported."},
        {kMsgWriteError, "ERROR: An error occured writing to the file %1\nThe disk may be full or the file permissions may "
                "be incorrect."},
        {kMsgReadError, "ERROR: An error reading from the file %1\nPlease check that the filename is correct."},
        {kMsgSeekError, "ERROR: An error seeking to a position in the file %1\nThe file may be corrupt."},
        {kMsgBadFileType, "Bad or unrecognized file type: %1"},
        {kMsgSeekWave, "ERROR: Cannot seek to the specified position in the wave file. The file may be corrupt."},

        // Sessions and peak files
        {kMsgTooManyTempFiles, "ERROR: There are too many temp files in the temp directory. Please delete some temp files. "},
        {kMsgOldPeakFile, "An old peak file format has been detected. Please rebuild the peak file by using the \"Rebuild "
              "Peak File\" command in the View menu."},
        {kMsgSaving, "Please Wait, Saving file %1"},
        {kMsgSessionCorrupt, "ERROR: The session file associated with the wave file is corrupt, some of the needed files are "
              "missing.  Do you want to try and recover the session file? "},
        {kMsgSizeInconsistent, "ERROR: The wave file size is inconsistant with the wave header information. The file will still be "
              "opened, but the peak information may be incorrect."},
        {kMsgNoPeakFile, "ERROR: Cannot create a peak file for this wave file. The disk may be full, or the file may be in "
               "use by another program. "},
        // Committing a session (numbers of our own; the texts are the program's)
        {kMsgShortWrite, "Error writing to tmp file %s, Wrote %d bytes, should have been %d\n"},
        {kMsgRenameScratch, "Error renaming tmpfile %s, to %s; %s"},
        {kMsgBackupSong, "Error %d renaming %s, to %s, %s"},
        {kMsgRenameOther, "Error renaming %s, to %s: %s"},
        {kMsgCreatingPeakFile, "Creating Peak File"},

        // Start-up
        {kMsgGuideName, "Restova Getting Started Guide.pdf"},
        {kMsgBin1Invalid, "ERROR: The path for Bin1 is invalid. Right click to set the Preferences to a valid path for Bin1 "},
        {kMsgBin2Invalid, "ERROR: The path for BIN2 is invalid. Right click to set the Preferences to a valid path for Bin2"},
        {kMsgBin3Invalid, "ERROR: The path for BIN3 is invalid. Right click to set the Preferences to a valid path for Bin3"},

        // Filter presets
        {kMsgPresetExists, "The preset \"%1 \" already exists. Do you want to overwrite it?"},
        {kMsgConfirmDeletePreset, "Are you sure you want to delete the preset: %1 ?"},
        {kMsgPresetNotFound, "The Preset  %1  was not found"},
        {kMsgBadPreset, "ERROR: An error occured reading the preset. Try deleting this preset and saving it again"},
        {kMsgInvalidPresetChar, "ERROR: Invalid character in the preset name. The following characters are not allowed in preset "
              "names: double quotes \",  Semicolon  :, star *,  forward slash /\\ and a backslash \\. "},
        {kMsgDeletePresetCaption, "Delete Preset"},
        {kMsgEnterPresetName, "Please enter a name to save these settings with."},
        {kMsgDefaultNotDeleted, "The Default Settings cannot be deleted."},
        // Preset captions and the name box (numbers of our own; the texts are the program's)
        {kMsgSettingExistsCaption, "Setting Exists"},
        {kMsgDeleteSettingCaption, "Delete Setting"},
        {kMsgPresetNameCaption, "Preset Name"},
        {kMsgPresetNamePrompt, "Enter a name for this preset"},

        // Filter runs
        {kMsgRiaaCaption, "Please Wait: Applying the RIAA equalization to the file"},
        {kMsgIncompatible, "The Destination file is incompatible with this filter. It may have a different number of channels, "
              "a different sample rate, or different bit depth. Close the destination file and try again"},
        {kMsgNoFilter, "ERROR: An Internal Error has occured; No filter is selected. Please Contact Support"},
        // Runner texts (numbers of our own; the texts are the program's)
        {kMsgOverwriteDestination, "The destination file alreadys exists, do you want to overwrite %s"},
        {kMsgNullFilter, "ERROR: Internal fault, filter exec ptr is null in RunFilter"},
        {kMsgUnknownError, "Unknown error"},
        {kMsgFilteringCaption, "Filtering "},

        // Enhance stage (numbers of our own; the caption is the program's)
        {kMsgEnhancingCaption, "Enhancing "},
        {kMsgEnterWholeNumber, "Please enter a whole number from %1."},

        // Noise filters and the Clean stage
        {kMsgNoBuffers, "ERROR: No sample data. This is an Internal Error. Pleas contanct Support"},
        // Clean pane texts (numbers of our own; the texts are the program's)
        {kMsgCleaningCaption, "Cleaning "},

        // Speed correction and format conversion
        {kMsgSpeedCaption, "Correcting playback speed."},
        {kMsgNothingToDo, "Nothing to do. Change either the sample rate or the resolution or both. "},
        {kMsgResampleFailed, "ERROR: Resampling of the input failed. "},

        // Track dividers, final touches and splitting into songs
        {kMsgChopped, "The file has been separated into individual files, one file per song. The file name is the same as "
              "the divider name. You should see the files listed below."},
        {kMsgAlreadyIndexed, "This file already contains Track Dividers.\n Do you want to delete all of the existing dividers and "
              "re-index this file?"},
        {kMsgReindexed, "The file has been re-indexed. The track markers are placed where I think there is silence between the "
              "songs."},
        {kMsgCreatingFile, "Please Wait: Separating file into tracks. Creating file %1"},
        {kMsgOverwriteTrack, "The file %1 already exists, do you wish to overwrite it?"},
        {kMsgCannotChop, "ERROR: Could not create chop files. Operation halted."},
        {kMsgConfirmChop, "This operation cannot be undone, so be sure that you have the dividers in the right place and the "
              "names are correct. Press OK to contiune, or press Cancel to go back."},
        {kMsgDeleteTrack, "Are you sure you want to delete this track? "},
        {kMsgEntireFile, "ERROR: The selected track is the entire file, cannot delete using CUT TRACK. Use the remove button "
              "from the Worklist instead to delete the entire file."},
        {kMsgCannotCreateFolder, "ERROR: Could not create the directory. Please check that the path is valid and is not in use by "
              "another program."},
        {kMsgNormalizing, "Please wait, Normalizing file %1"},
        {kMsgFindingIndex, "Finding Track index for "},
        {kMsgFadeIn, "Fade In on: "},
        {kMsgFadeOut, "Fade Out on: "},
        {kMsgCutSize, "Cut size does not match file size"},
        {kMsgNoBuffer, "Could not allocate buffer memory"},
        {kMsgChopTitle, "Chopping file into tunes"},
        {kMsgEditTrackCaption, "Edit Track Name"},
        {kMsgEditTrackPrompt, "Enter a name for this track"},
        {kMsgTrackStartLabel, "Track Start position (Samples)"},
        {kMsgSeekMismatch, "File size mismatch. Cannot Seek to position"},
    };
    return table;
}

}  // namespace

const std::string& LoadString(MsgId id) {
    static const std::string empty;
    const auto& table = Table();
    auto it = table.find(id);
    return it == table.end() ? empty : it->second;
}

std::string FillIn(std::string text, std::initializer_list<std::string> args) {
    std::string out;
    out.reserve(text.size());
    auto next = args.begin();
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const char n = i + 1 < text.size() ? text[i + 1] : '\0';
        if (c == '%' && n >= '1' && n <= '9') {
            const size_t k = static_cast<size_t>(n - '1');
            if (k < args.size()) out += *(args.begin() + k);
            ++i;
        } else if (c == '%' && (n == 's' || n == 'd')) {
            if (next != args.end()) out += *next++;
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

std::string FormatString(MsgId id, std::initializer_list<std::string> args) { return FillIn(LoadString(id), args); }

std::string FormatString(MsgId id, const std::string& arg) { return FillIn(LoadString(id), {arg}); }

MsgAnswer ShowMessage(MsgId id, MsgIcon icon, MsgButtons buttons, std::initializer_list<std::string> args) {
    return Services().MessageBox(FormatString(id, args), kAppCaption, icon, buttons);
}

MsgAnswer ShowMessage(MsgId id, MsgIcon icon, MsgButtons buttons, const std::string& arg) {
    return ShowMessage(id, icon, buttons, {arg});
}
