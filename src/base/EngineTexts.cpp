// Texts of the engine: files, sessions, filters, tracks and the CD.
#include "base/StringTexts.h"

namespace {

const TextEntry kTexts[] = {
    // Wave files
    {kMsgInternalError, "An internal Error has occured: Contact Parlowe support. "},
    {kMsgFormatNotSupported, "ERROR: The wavefile contains a format is not supported by Zarvo."},
    {kMsgCannotOpenFile, "ERROR: Could not open the specified file. An error occured while accessing the file."},
    {kMsgMemoryError, "ERROR: A memory error occured while accessing the wavefile."},
    {kMsgCannotRead,
     "ERROR: Can not read the wave file. Please check that the filename is correct and that the file is "
     "not in use by another program."},
    {kMsgCannotOpen, "ERROR: Cannot open the file. The file may be in use by another program, or is corrupted."},
    {kMsgResolution,
     "ERROR: The wave file was recorded at a resolution that is not supported by Zarvo. Zarvo  supports "
     "files that have16 bit resolution."},
    {kMsgCannotWrite,
     "ERROR: Cannot write to the specified wave file. The file may be in use or there may not be enough "
     "free disk space available. "},
    {kMsgMmePrepare, "ERROR: An error occured preparing the MME buffers for playing. "},
    {kMsgMmeAddBuffer, "ERROR: An error occured while adding buffers to the MME driver."},
    {kMsgTypeNotSupported, "ERROR: The file type is not supported."},
    {kMsgWriteError,
     "ERROR: An error occured writing to the file %1\nThe disk may be full or the file permissions may "
     "be incorrect."},
    {kMsgReadError, "ERROR: An error reading from the file %1\nPlease check that the filename is correct."},
    {kMsgSeekError, "ERROR: An error seeking to a position in the file %1\nThe file may be corrupt."},
    {kMsgBadFileType, "Bad or unrecognized file type: %1"},
    {kMsgSeekWave, "ERROR: Cannot seek to the specified position in the wave file. The file may be corrupt."},

    // Sessions and peak files
    {kMsgTooManyTempFiles,
     "ERROR: There are too many temp files in the temp directory. Please delete some temp files. "},
    {kMsgOldPeakFile,
     "An old peak file format has been detected. Please rebuild the peak file by using the \"Rebuild "
     "Peak File\" command in the View menu."},
    {kMsgSaving, "Please Wait, Saving file %1"},
    {kMsgSessionCorrupt,
     "ERROR: The session file associated with the wave file is corrupt, some of the needed files are "
     "missing.  Do you want to try and recover the session file? "},
    {kMsgSizeInconsistent,
     "ERROR: The wave file size is inconsistant with the wave header information. The file will still be "
     "opened, but the peak information may be incorrect."},
    {kMsgNoPeakFile,
     "ERROR: Cannot create a peak file for this wave file. The disk may be full, or the file may be in "
     "use by another program. "},
    // Committing a session (numbers of our own; the texts are the program's)
    {kMsgShortWrite, "Error writing to tmp file %s, Wrote %d bytes, should have been %d\n"},
    {kMsgRenameScratch, "Error renaming tmpfile %s, to %s; %s"},
    {kMsgBackupSong, "Error %d renaming %s, to %s, %s"},
    {kMsgRenameOther, "Error renaming %s, to %s: %s"},
    {kMsgCreatingPeakFile, "Creating Peak File"},

    // Start-up
    {kMsgGuideName, "Restova Getting Started Guide.pdf"},
    {kMsgBin1Invalid,
     "ERROR: The path for Bin1 is invalid. Right click to set the Preferences to a valid path for Bin1 "},
    {kMsgBin2Invalid,
     "ERROR: The path for BIN2 is invalid. Right click to set the Preferences to a valid path for Bin2"},
    {kMsgBin3Invalid,
     "ERROR: The path for BIN3 is invalid. Right click to set the Preferences to a valid path for Bin3"},

    // Filter presets
    {kMsgPresetExists, "The preset \"%1 \" already exists. Do you want to overwrite it?"},
    {kMsgConfirmDeletePreset, "Are you sure you want to delete the preset: %1 ?"},
    {kMsgPresetNotFound, "The Preset  %1  was not found"},
    {kMsgBadPreset, "ERROR: An error occured reading the preset. Try deleting this preset and saving it again"},
    {kMsgInvalidPresetChar,
     "ERROR: Invalid character in the preset name. The following characters are not allowed in preset "
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
    {kMsgIncompatible,
     "The Destination file is incompatible with this filter. It may have a different number of channels, "
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
    {kMsgChopped,
     "The file has been separated into individual files, one file per song. The file name is the same as "
     "the divider name. You should see the files listed below."},
    {kMsgAlreadyIndexed,
     "This file already contains Track Dividers.\n Do you want to delete all of the existing dividers and "
     "re-index this file?"},
    {kMsgReindexed,
     "The file has been re-indexed. The track markers are placed where I think there is silence between the "
     "songs."},
    {kMsgCreatingFile, "Please Wait: Separating file into tracks. Creating file %1"},
    {kMsgOverwriteTrack, "The file %1 already exists, do you wish to overwrite it?"},
    {kMsgCannotChop, "ERROR: Could not create chop files. Operation halted."},
    {kMsgConfirmChop,
     "This operation cannot be undone, so be sure that you have the dividers in the right place and the "
     "names are correct. Press OK to contiune, or press Cancel to go back."},
    {kMsgDeleteTrack, "Are you sure you want to delete this track? "},
    {kMsgEntireFile,
     "ERROR: The selected track is the entire file, cannot delete using CUT TRACK. Use the remove button "
     "from the Worklist instead to delete the entire file."},
    {kMsgCannotCreateFolder,
     "ERROR: Could not create the directory. Please check that the path is valid and is not in use by "
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
    {kMsgBuildingPeakData, "Building Peak Data"},
    {kMsgMenuAddDivider, "Add New Divider Here"},
    {kMsgMenuDeleteDivider, "Delete Divider"},
    {kMsgMenuMoveAhead, "Move Divider Ahead 1 sec"},
    {kMsgMenuMoveBack, "Move Divider Back 1 sec"},
    {kMsgMenuRenameTrack, "Rename Track"},
    {kMsgMenuPlayTrack, "Play this Track"},
    {kMsgMenuPlayFromHere, "Play From Here"},
    {kMsgMenuDeleteTrack, "Delete This Track"},
    {kMsgWaveInfo, "At %1 of %2     Selected %3 - %4 (%5)"},

    // CD ripping and title lookup
    {kMsgReady, "Ready"},
    {kMsgSearchingForCds, "Searching for Audio CDs"},
    {kMsgNoCddbServerStatus, "Unable to read track list. Could not find the CDDB Server. "},
    {kMsgNoTitlesFound, "Could not find track titles for this CD."},
    {kMsgCdRipPrompt,
     "I will automatically display the tracks on the CD in your drive.  Click to select tracks. To select "
     "multiple tracks use Ctrl click and then press \"Rip Tracks\"."},
    {kMsgRipAllPrompt,
     "Please Wait: I am now converting all of the CD audio tracks into wave files for use in Restova"},
    {kMsgRipSelectedPrompt,
     "Please Wait: I am now converting the selected CD audio tracks into Wave file for use in Restova"},
    {kMsgSearchingTitles, "Please Wait: Searching for Track Titles using CDDB"},
    {kMsgRipDonePrompt,
     "The CD ripping is complete. You can now press done to go on to the next step, or select more tracks "
     "to rip."},
    {kMsgRipCanceledPrompt,
     "The CD ripping was canceled. The files that were completed before you canceled will be in \"My "
     "Song Files\"  "},
    {kMsgCreatePath, "The path %1 does not exist. Do you want to create it?"},
    {kMsgStop, "Stop"},
    {kMsgNoCdInDrive, "ERROR: No CD found in drive"},
    {kMsgCannotReadToc, "ERROR: Cannot read the CD's Table of Contents"},
    {kMsgCloseWhileRipping,
     "A CD Ripping operation is currently in progress. You must stop the rip operation or wait till it "
     "is complete before closing this dialog box."},
    {kMsgNoTracksSelected,
     "No tracks are selected, please select tracks to rip. Use Shift+Click or Ctrl+Click to select "
     "multiple tracks."},
    {kMsgCannotStartRip, "ERROR: Can't start CD Ripping"},
    {kMsgOneRipAtATime, "Only one ripping process is allow at a time!"},
    {kMsgNoTrackToPlay, "No track is select. Please select a track to play first."},
    {kMsgPlayTracks, "Play Tracks"},
    {kMsgTotalTime, "Total Time"},
    // CD ripping texts (numbers of our own; the texts are the program's)
    {kMsgNoCddbServer, "Could not find the CDDB Server"},
    {kMsgAudioTrackName, "Audio Track %s"},
    {kMsgDataTrackName, "Data track %s"},
    {kMsgRippingTrack, "Ripping track %d to file %s"},
    {kMsgPlayingTrack, "Playing track %d: %s"},
    {kMsgDone, "Done"},
    {kMsgCanceled, "Canceled"},
    {kMsgNoCdDrive, "No CD drive was found. Choose \"Open Image...\" to read a CD image (CUE/BIN or TOC/BIN) instead."},
    {kMsgCannotGetHandle, "Can't get CD handle"},
    {kMsgErrorReadingToc, "Error reading TOC"},
    {kMsgFileCreationError, "File Creation Error"},
    {kMsgReadErrorAt, "Error at %d %s"},
    {kMsgOpenImage, "Open Image..."},
    {kMsgMp3NotAvailable,
     "Ripping to MP3 is not available yet. Untick \"Rip to MP3\" to rip the tracks to wave files."},
    {kMsgAudioTrackBase, "Audio Track"},
    {kMsgOverwriteCaption, "Overwrite file"},
    {kMsgRipFolderTitle, "Select a Directory to Rip to"},
    {kMsgNoPlayer, "No audio output is available for playing CD tracks."},

    // CD writing and playlists
    {kMsgDeleteFailed,
     "ERROR: An error occured trying to delete this file. It may be in use or write protected. Try "
     "re-starting this program try again."},
    {kMsgUnknownWriteError, "ERROR: An unknown error has ocured writing the CD Track"},
    {kMsgNotWritable, "The Media in the CDR drive in not writable. Please insert a Blank CDR"},
    {kMsgNoDiscInRecorder, "ERROR: No Disc in the CDR drive. Plase insert a blank CDR"},
    {kMsgEraseQuestion,
     "The disc in your CDR drive is a CD-RW disc that appears to contain data. Do you want to erase this "
     "disk first?"},
    {kMsgErasing, "Please Wait: Erasing CD-RW disc"},
    {kMsgEraseFailed, "ERROR: An error occured while attempting to erase the disc.Try another disc"},
    {kMsgTrackTooShort, "ERROR: This track is not long enough. Tracks must be at least 3.0 seconds long"},
    {kMsgWritingCd, "Please Wait: Writing to CDR"},
    {kMsgPreparingTrack, "Please Wait: Preparing track %s"},
    {kMsgCdDone, "Done: The CDR has been successfully created. "},
    {kMsgImportPlaylistTitle, "Import a Zarvo6 playlist or an MP3 playlist"},
    {kMsgCannotReadPlaylist, "ERROR: Could not read that file. The file may be corrupt or locked by another program"},
    {kMsgDiscFull,
     "ERROR: The disc in the drive is either full or one of the following media types: CD-ROM, audio CD-R(W), "
     "or full CD-R(W)."},
    {kMsgConvertingToRedbook, "Please Wait: Converting files to RedBook Audio Format"},
    {kMsgNoBlankCd, "There is no CD in the drive. Please insert a blank CDR"},
    {kMsgConfirmDeleteFile, "Are you sure you want to delete the file \"%1\" ? This cannot be undone."},
    {kMsgStereoConvertFailed, "ERROR: An error occured while converting file \"%1\" to Stereo. File will be skipped."},
    {kMsgNoRecorders, "ERROR: Could not find any CD recorders in your system. "},
    {kMsgCannotOpenWriter, "ERROR: Could not open the CD writer. "},
    {kMsgNoError, "No Error"},
    {kMsgWriterInUse,
     "ERROR: The CD Writer is already in use by another program. You will need to close any programs that "
     "may be using the CD Writer before using this feature."},
    {kMsgNoRedbook, "ERROR: The CD Writer could not be set to create a standard RedBook Audio Format"},
    {kMsgRecorderRemoved,
     "ERROR: The currently active CD device is no longer valid because it was removed from the system."},
    {kMsgNoRecorderSelected, "No CD recorder is selected. Please select a recorder first, then try again"},
    {kMsgTrackAlreadyOpen,
     "ERROR: An audio track is already open. Close the currently open track before opening another"},
    {kMsgTrackNotOpen, "A track has not been opened with CreateAudioTrack. "},
    {kMsgCdFormatFailed, "ERROR: An error occured while trying to convert the file to CD format Audio."},
    // CD writing texts (numbers of our own; the texts are the program's)
    {kMsgNoDisc, "No Disc"},
    {kMsgMediaBlank, "Blank"},
    {kMsgMediaCdrw, " CDRW"},
    {kMsgMediaCdr, " CDR"},
    {kMsgMediaAudio, " CD Audio Disc"},
    {kMsgMediaXa, " XA Disc"},
    {kMsgMediaCdi, " CDI Disc"},
    {kMsgMediaExtra, " CD Extra"},
    {kMsgMediaOther, " Other"},
    {kMsgMediaSpecial, " Special"},
    {kMsgMediaUnknown, " Unknown Disc"},
    {kMsgImageRecorder, "Disc image (CUE/BIN)"},
    {kMsgErrorWithFile, "%s: %s"},
    {kMsgPlaylistFilter, "Zarvo6 Playlist (*.wls)|*.wls|MP3 Playlist (*.m3u)|*.m3u|"},
    {kMsgImageSaveTitle, "Write the Disc Image to"},
    {kMsgImageFilter, "Disc image (*.cue)|*.cue|"},

};

}  // namespace

std::span<const TextEntry> EngineTexts() {
    return kTexts;
}
