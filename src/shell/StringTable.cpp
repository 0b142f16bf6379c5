#include "shell/StringTable.h"

#include <unordered_map>

namespace {

// Keep the texts exactly as the user must see them, spelling included.
const std::unordered_map<int, std::string>& Table() {
    static const std::unordered_map<int, std::string> table = {
        // Wave files
        {9, "An internal Error has occured: Contact Parlowe support. "},
        {116, "ERROR: The wavefile contains a format is not supported by Zarvo."},
        {117, "ERROR: Could not open the specified file. An error occured while accessing the file."},
        {118, "ERROR: A memory error occured while accessing the wavefile."},
        {123, "ERROR: Can not read the wave file. Please check that the filename is correct and that the file is "
              "not in use by another program."},
        {140, "ERROR: Cannot open the file. The file may be in use by another program, or is corrupted."},
        {188, "ERROR: The wave file was recorded at a resolution that is not supported by Zarvo. Zarvo  supports "
              "files that have16 bit resolution."},
        {190, "ERROR: Cannot write to the specified wave file. The file may be in use or there may not be enough "
              "free disk space available. "},
        {436, "ERROR: An error occured preparing the MME buffers for playing. "},
        {438, "ERROR: An error occured while adding buffers to the MME driver."},
        {32786, "ERROR: The file type is not supported."},
        {32815, "ERROR: An error occured writing to the file %1\nThe disk may be full or the file permissions may "
                "be incorrect."},
        {32816, "ERROR: An error reading from the file %1\nPlease check that the filename is correct."},
        {32819, "ERROR: An error seeking to a position in the file %1\nThe file may be corrupt."},
        {32834, "Bad or unrecognized file type: %1"},
        {32927, "ERROR: Cannot seek to the specified position in the wave file. The file may be corrupt."},

        // Sessions and peak files
        {107, "ERROR: There are too many temp files in the temp directory. Please delete some temp files. "},
        {217, "An old peak file format has been detected. Please rebuild the peak file by using the \"Rebuild "
              "Peak File\" command in the View menu."},
        {314, "Please Wait, Saving file %1"},
        {376, "ERROR: The session file associated with the wave file is corrupt, some of the needed files are "
              "missing.  Do you want to try and recover the session file? "},
        {468, "ERROR: The wave file size is inconsistant with the wave header information. The file will still be "
              "opened, but the peak information may be incorrect."},
        {1414, "ERROR: Cannot create a peak file for this wave file. The disk may be full, or the file may be in "
               "use by another program. "},
        // Committing a session (numbers of our own; the texts are the program's)
        {61201, "Error writing to tmp file %s, Wrote %d bytes, should have been %d\n"},
        {61202, "Error renaming tmpfile %s, to %s; %s"},
        {61203, "Error %d renaming %s, to %s, %s"},
        {61204, "Error renaming %s, to %s: %s"},
        {61205, "Creating Peak File"},

        // Start-up
        {227, "Restova Getting Started Guide.pdf"},
        {386, "ERROR: The path for Bin1 is invalid. Right click to set the Preferences to a valid path for Bin1 "},
        {387, "ERROR: The path for BIN2 is invalid. Right click to set the Preferences to a valid path for Bin2"},
        {411, "ERROR: The path for BIN3 is invalid. Right click to set the Preferences to a valid path for Bin3"},

        // Filter presets
        {295, "The preset \"%1 \" already exists. Do you want to overwrite it?"},
        {296, "Are you sure you want to delete the preset: %1 ?"},
        {297, "The Preset  %1  was not found"},
        {305, "ERROR: An error occured reading the preset. Try deleting this preset and saving it again"},
        {356, "ERROR: Invalid character in the preset name. The following characters are not allowed in preset "
              "names: double quotes \",  Semicolon  :, star *,  forward slash /\\ and a backslash \\. "},
        {493, "Delete Preset"},
        {32830, "Please enter a name to save these settings with."},
        {32832, "The Default Settings cannot be deleted."},
        // Preset captions and the name box (numbers of our own; the texts are the program's)
        {61631, "Setting Exists"},
        {61632, "Delete Setting"},
        {61633, "Preset Name"},
        {61634, "Enter a name for this preset"},

        // Filter runs
        {159, "Please Wait: Applying the RIAA equalization to the file"},
        {308, "The Destination file is incompatible with this filter. It may have a different number of channels, "
              "a different sample rate, or different bit depth. Close the destination file and try again"},
        {352, "ERROR: An Internal Error has occured; No filter is selected. Please Contact Support"},
        // Runner texts (numbers of our own; the texts are the program's)
        {61301, "The destination file alreadys exists, do you want to overwrite %s"},
        {61302, "ERROR: Internal fault, filter exec ptr is null in RunFilter"},
        {61303, "Unknown error"},
        {61304, "Filtering "},

        // Enhance stage (numbers of our own; the caption is the program's)
        {61701, "Enhancing "},
        {61702, "Please enter a whole number from %1."},

        // Noise filters and the Clean stage
        {306, "ERROR: No sample data. This is an Internal Error. Pleas contanct Support"},
        // Clean pane texts (numbers of our own; the texts are the program's)
        {61401, "Cleaning "},

        // Speed correction and format conversion
        {148, "Correcting playback speed."},
        {350, "Nothing to do. Change either the sample rate or the resolution or both. "},
        {1408, "ERROR: Resampling of the input failed. "},

        // Track dividers, final touches and splitting into songs
        {207, "The file has been separated into individual files, one file per song. The file name is the same as "
              "the divider name. You should see the files listed below."},
        {215, "This file already contains Track Dividers.\n Do you want to delete all of the existing dividers and "
              "re-index this file?"},
        {216, "The file has been re-indexed. The track markers are placed where I think there is silence between the "
              "songs."},
        {224, "Please Wait: Separating file into tracks. Creating file %1"},
        {294, "The file %1 already exists, do you wish to overwrite it?"},
        {318, "ERROR: Could not create chop files. Operation halted."},
        {320, "This operation cannot be undone, so be sure that you have the dividers in the right place and the "
              "names are correct. Press OK to contiune, or press Cancel to go back."},
        {358, "Are you sure you want to delete this track? "},
        {360, "ERROR: The selected track is the entire file, cannot delete using CUT TRACK. Use the remove button "
              "from the Worklist instead to delete the entire file."},
        {385, "ERROR: Could not create the directory. Please check that the path is valid and is not in use by "
              "another program."},
        {402, "Please wait, Normalizing file %1"},
        {61801, "Finding Track index for "},
        {61802, "Fade In on: "},
        {61803, "Fade Out on: "},
        {61804, "Cut size does not match file size"},
        {61805, "Could not allocate buffer memory"},
        {61806, "Chopping file into tunes"},
        {61807, "Edit Track Name"},
        {61808, "Enter a name for this track"},
        {61809, "Track Start position (Samples)"},
        {61810, "File size mismatch. Cannot Seek to position"},
    };
    return table;
}

}  // namespace

const std::string& LoadString(int id) {
    static const std::string empty;
    const auto& table = Table();
    auto it = table.find(id);
    return it == table.end() ? empty : it->second;
}

std::string ReplaceArg(std::string text, const std::string& arg) {
    for (size_t pos = text.find("%1"); pos != std::string::npos; pos = text.find("%1", pos + arg.size())) {
        text.replace(pos, 2, arg);
    }
    return text;
}

std::string FormatString(int id, const std::string& arg) { return ReplaceArg(LoadString(id), arg); }

MsgAnswer ShowMessage(int id, MsgIcon icon, MsgButtons buttons, const std::string& arg) {
    return Services().MessageBox(FormatString(id, arg), kAppCaption, icon, buttons);
}
