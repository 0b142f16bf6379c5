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
        {kMsgNoCdDrive,
         "No CD drive was found. Choose \"Open Image...\" to read a CD image (CUE/BIN or TOC/BIN) instead."},
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
        {kMsgCannotReadPlaylist,
         "ERROR: Could not read that file. The file may be corrupt or locked by another program"},
        {kMsgDiscFull,
         "ERROR: The disc in the drive is either full or one of the following media types: CD-ROM, audio CD-R(W), "
         "or full CD-R(W)."},
        {kMsgConvertingToRedbook, "Please Wait: Converting files to RedBook Audio Format"},
        {kMsgNoBlankCd, "There is no CD in the drive. Please insert a blank CDR"},
        {kMsgConfirmDeleteFile, "Are you sure you want to delete the file \"%1\" ? This cannot be undone."},
        {kMsgStereoConvertFailed,
         "ERROR: An error occured while converting file \"%1\" to Stereo. File will be skipped."},
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

        // Workflow prompts
        {kMsgPromptMetersDancing,
         "Start the audio source playing.  Are the meters dancing?… If not,  click on \"TW\" for help.  Once working, "
         "click on the button that best suits your situation."},
        {kMsgPromptWelcome,
         "Welcome to Restova.  If this is your first time here, click on the Training Wheels Button to get a detailed "
         "walkthrough.  Click Start when you're ready.  "},
        {kMsgPromptChooseSource, "I want to restore material from a ..."},
        {kMsgPromptSelectSongs,
         "Select the .WAV, MP3 or WMA songs you want to work on. Click on the Import button to locate songs that are "
         "in other locations.  Click “Done” after you’ve selected what you want."},
        {kMsgPromptRecordType, "What kind of record?"},
        {kMsgPromptTurntableSpeed,
         "What is the actual speed of your turntable?  Don't worry if it doesn't play 78s, just select the speed you "
         "are going to use for recording"},
        {kMsgPromptLevelsRight, "Are your levels in the right range?"},
        {kMsgPromptAdjustLevels,
         "Start the audio playing and adjust the line input slider to get the meters in the target area."},
        {kMsgPromptHookupPreamp,
         "Make sure your phono preamp or stereo tape output is hooked to the line inputs of your sound card.  Then "
         "click \"Ready\".   For details, click on \"TW\"."},
        {kMsgPromptHookupTape,
         "Plug the output of your tape deck to the input of your sound card, then click \"Ready\".  "},
        {kMsgPromptReadyToRecord,
         "We are now ready to record. Stop your audio, then hit the record button and re-start your audio source "
         "playing from the beginning"},
        {kMsgPromptRecording,
         "RECORDING...  Press Stop when done, or re-start to erase what has been done and re-record"},
        {kMsgPromptInputHelp,
         "Lets get the inputs working.  Click on \"TW\" for help with this.  Click on Done once working."},
        {kMsgPromptWorksInProgress,
         "Here is where all of your \"works in progress\" reside.  You can look at each song and see what you've done "
         "to it to this point.  Select a file and click on a process. "},
        {kMsgPromptHookupSpeedFix,
         "Plug either your phono preamp output or tape output of your stereo system to line inputs of your sound card. "
         " I'll fix the speed issues after I record."},
        {kMsgPromptHookup78,
         "Plug either your phono preamp output or tape output of your stereo system to line inputs of your sound card. "
         " Then click \"Ready\".   For excruciating details, click on \"Training Wheels\"."},
        {kMsgPromptAddDivider, "Click on either waveform where you want to add a Divider"},
        {kMsgPromptFadeIn,
         "Here are the first few seconds of the track.  Use the fade more or fade less buttons to adjust the amount "
         "you want to fade.  Press Preview Fade to listen to the fade."},
        {kMsgPromptFadeOut,
         "Here are the last few seconds of the track.  Use the fade more or fade less buttons to adjust the amount you "
         "want to fade.  Press Preview Fade to listen to the fade."},
        {kMsgPromptTrimSelect,
         "This is where we trim the beginning and end of the recording to remove unwanted noise and silence. Please "
         "choose Trim Start or Trim End to begin"},
        {kMsgPromptPreviewTrim,
         "Pressing Preview Trim will play a few seconds of the track as it will sound AFTER the trim. "},
        {kMsgPromptTrimEnd,
         "Here are the last few seconds of the file. Place a divider where you want to cut the track"},
        {kMsgPromptTrimStart,
         "Here are the first few seconds of the track. Use the trim more or trim less buttons to adjust it so you only "
         "hear the part you want to keep when you press Preview."},
        {kMsgPromptDividerDeleted,
         "The start marker for the selected track has been deleted.  Click Delete Divider to remove another, Add "
         "Divider or Done when finished."},
        {kMsgPromptFinalized, "Now that you have finalized your recording you are ready to move on to the CD burner"},
        {kMsgPromptCompressedFiles,
         "Here you can create MP3 and WMA files from you CD tracks or view files you have already created."},
        {kMsgPromptMp3Shown, "The list of MP3 files is being displayed in a new window."},
        {kMsgPromptWmaShown, "The list of WMA files is being displayed in a new window."},
        {kMsgPromptWorklist,
         "Here are the files you have selected.  This screen lets you rename songs and choose which ones to work on.  "
         "Click on a file and select the process you want to perform."},
        {kMsgPromptEnhance,
         "Here is where you'll add spice to your recordings.  Hit the Preview button and then adjust the sliders as "
         "necessary. Hit the \"Process\" button to make your new file."},
        {kMsgPromptPaused,
         "Recording is PAUSED.  Press \"Continue\" to resume recording where you left off.  Click Stop and Save to "
         "save what you've recorded.  Press Restart to start over again from square one.  "},
        {kMsgPromptCdWriter,
         "This is your CD Writing window.  This is the list of songs to be written.  Simply click on a song and drag "
         "it to a new location to change the playing order. To create a WMA or MP3 select the song to create."},
        {kMsgPromptRenameTracks,
         "Now that the dividers are in the right place, make sure the track names are OK.  Click on Rename Song to "
         "change or Done to proceed"},
        {kMsgPromptRecordingMade,
         "Here is the recording I've just made.  The red markers represent where I think the breaks are between songs. "
         " Click on Adjust Dividers to add, remove and adjust dividers."},
        {kMsgPromptFileOpened,
         "Here is the file you just opened. The vertical lines represent the breaks between songs, if any. Right click "
         "on the waveform to see a menu"},
        {kMsgPromptClean,
         "Select a preset. Press preview to hear the audio with the filters in place.  Move sliders to the left to "
         "increase noise reduction.  Press \"Process\" to make the changes permanent."},
        {kMsgPromptFinalTouches,
         "Here is where we'll trim and finalize your recordings. You can trim off the silence, fade in or out and "
         "adjust the file for maximum gain."},
        {kMsgPromptAdjustDividers,
         "Here you can add, delete and move around the song dividers. To move a divider click on divider in the lower "
         "window and drag it. Right click to get a menu of more features"},
        {kMsgPromptRenameTrack,
         "Enter new name and then OK, select track and Rename Song to rename another.  Click Done when complete."},
        {kMsgPromptUnprocessed,
         "Here are your unprocessed files.  All files in Restova start here and are then copied to the \"Working On\" "
         "bin after you start working on them.  To place markers click Edit File, to process click Done. "},
        {kMsgPromptCleaned,
         "OK, now that the track is DeNoised, you should move on to the Enhancement step. Click on Enhance to "
         "continue."},
        {kMsgPromptEnhanced,
         "Now that you have enhanced the file, you should move on to Final Touches. Here you can trim the start and "
         "end plus fades."},
        {kMsgPromptPreviewFade,
         "Pressing preview will play a few seconds of the track as it will sound AFTER the fade."},
        {kMsgPromptFadeSelect,
         "Here you can fade in and/or out of a track that might otherwise end or begin abruptly.  Select fade in or "
         "fade out.  "},
        // Main window
        {kMsgCannotRunFile, "ERROR: Could not run the specified file %1"},
        {kMsgChoosePresetFolder, "Choose a Directory for the Filter Presets"},
        {kMsgChooseTempFolder, "Choose a directory for all temporary wave files"},
        {kMsgTipBin2, "Displays the list of file that you are working on. This is Bin2"},
        {kMsgChooseBin1Folder, "Choose a directory for Bin1 (Unprocessed files)"},
        {kMsgChooseBin2Folder, "Choose a directory for Bin2 (Work in progress)"},
        {kMsgPleaseWait, "Please Wait..."},
        {kMsgChooseBin3Folder, "Choose a directory for Bin3 (Ready For CD)"},
        {kMsgSelectEditor, "Select the executable for your wave editor"},
        {kMsgTipExit, "Exit Restova"},
        {kMsgTipAdvanced, "Advance Editing Features"},
        {kMsgSelectTrackFirst,
         "You must select a track from the worklist to work on before continuing. Please select a track."},
        {kMsgNoTrackSelected, "No track is select, first select a track then click the Adv button again. "},
        {kMsgTipTrainingWheels, "Turn On Training Wheels"},
        {kMsgTipBin1, "Shows unprocessed songs. This is Bin1"},
        {kMsgTipBin3, "Create a CD or create MP3 or WMA files. This is Bin3"},

        // Bins and worklist
        {kMsgPreview, "Preview"},
        {kMsgConfirmRemoveOne,
         "Are you sure you want to remove the selected from the worklist? Any work you have done so far "
         "will be lost and this operation cannot be undone.  "},
        {kMsgMp3ConvertFailed,
         "ERROR:  An error occured converting the mp3 file into a wave file for editing. Probably a "
         "corrupt or unsupported MP3 file."},
        {kMsgConvertCompressed,
         "This file contains a compressed wave format. Do you want to convert this to a standard WAV "
         "file format?"},
        {kMsgCompressedConvertFailed,
         "ERROR: An error occured while converting the compressed wave file to a standard Wave "
         "file. "},
        {kMsgImported,
         "The has been imported. You can now press Done to start cleaning and enhancing this track or press "
         "Edit to add or edit track dividers."},
        {kMsgConvertingWma, "Please Wait: Converting the WMA file %1 to a Wave file. "},
        {kMsgCopyingFile, "Please Wait: Copying file \"%s\""},
        {kMsgConfirmDeleteAll, "Are you sure you want to delete ALL selected files? This cannot be undone."},
        {kMsgConvertingMp3, "Please Wait. Converting the MP3 file %1  to a Wave file."},
        {kMsgConfirmRemoveSeveral,
         "Are you sure you want to delete all of the the selected files from the worklist? Any work "
         "you have done so far on these files will be lost and this operation cannot be undone.  "},
        {kMsgRenameFailed, "ERROR: Error %d occured while trying to rename the file %s to the file %s."},
        {kMsgWmaConvertFailed, "ERROR: Could not convert the WMA file to a PCM file"},
        // Workflow texts (numbers of our own)
        {kMsgCopyFailed, "Error copying file %s. Failed with error %d: %s"},
        {kMsgWrongState, "Wrong state. Bug in Program"},
        {kMsgNoEditor,
         "No advanced wave editor is set up. Click \"Configure Wave Editor\" and choose the program of your "
         "wave editor."},
        {kMsgSelectDirectory, "Select a Directory"},
        {kMsgSelectDirBin1, "Select a Directory for Bin1"},
        {kMsgSelectDirBin3, "Select a Directory for Bin3"},
        {kMsgConfigureEditorTitle, "Configure Advanced Wave Editor"},
        {kMsgConfigureWaveEditor, "Configure Wave Editor"},
        {kMsgEditorFilter, "Programs (*)|*"},
        {kMsgImportFilter,
         "Wave File (*.wav)|*.wav|MP3 audio (*.mp3)|*.mp3|WMA audio (*.wma)|*.wma|All files (*.*)|*.*||"},
        {kMsgPrefAutoCddb, "CD Rip: Auto CDDB Lookup"},
        {kMsgPrefUseWdm, "Devices: Use WDM drivers (DirectX)"},
        {kMsgPrefReInitOnPlay, "Devices: ReInit Driver on Playback"},
        {kMsgPrefLoopPreviews, "Processing: Loop Previews"},
        {kMsgPrefHiRes, "Recording: Record in Pro Quality (24bit 96kHz)"},
        {kMsgPrefHighVox, "Recording: Set High Auto Detect Level"},
        {kMsgPrefChime, "Sounds: Use chime sound at end of processing"},
        {kMsgPrefAdaptiveHum, "Clean: Remove hum adaptively (keeps the bass)"},
        {kMsgMono, "Mono "},
        {kMsgStereo, "Stereo "},
        {kMsgBitsAndRate, "%d Bits %s"},
        {kMsgRecordingNotAvailable, "Recording is not possible: no sound device is open."},
        // Stage button captions (numbers of our own)
        {kMsgBtnStart, "Start"},
        {kMsgBtnTrainingWheels, "Training Wheels"},
        {kMsgBtnCreateMp3, "Create MP3"},
        {kMsgBtnShowMp3, "Show MP3"},
        {kMsgBtnCreateWma, "Create WMA"},
        {kMsgBtnShowWma, "Show WMA"},
        {kMsgBtnFile, "File"},
        {kMsgBtnCd, "CD"},
        {kMsgBtnRecordPlayer, "Record Player"},
        {kMsgBtnTape, "Tape"},
        {kMsgBtnRipTracks, "Rip Tracks"},
        {kMsgBtnRipAllTracks, "Rip All Tracks"},
        {kMsgBtnReady, "Ready"},
        {kMsgBtnDancing, "Dancing"},
        {kMsgBtnNotDancing, "Not Dancing"},
        {kMsgBtnRightOn, "Right ON"},
        {kMsgBtnTooHighOrLow, "Too high or low"},
        {kMsgBtnAddDivider, "Add Divider"},
        {kMsgBtnDeleteDivider, "Delete Divider"},
        {kMsgBtnSpeed33, "33"},
        {kMsgBtnSpeed45, "45"},
        {kMsgBtnSpeed78, "78"},
        {kMsgBtnStartRecording, "Start Recording"},
        {kMsgBtnRestart, "Re-start"},
        {kMsgBtnContinue, "Continue"},
        {kMsgBtnStopAndSave, "Stop and Save"},
        {kMsgBtnRestartPaused, "Re-Start"},
        {kMsgBtnLp, "LP"},
        {kMsgBtnEditFile, "Edit File"},
        {kMsgBtnClean, "Clean"},
        {kMsgBtnEnhance, "Enhance"},
        {kMsgBtnFinalTouches, "Final Touches"},
        {kMsgBtnWriteToCd, "Write to CD MP3/WMA"},
        {kMsgBtnAdjustDividers, "Adjust Dividers"},
        {kMsgBtnRenameTrack, "Rename Track"},
        {kMsgBtnReIndexTracks, "Re-Index Tracks"},
        {kMsgBtnFadeIn, "Fade In"},
        {kMsgBtnFadeOut, "Fade Out"},
        {kMsgBtnDoFade, "Do Fade"},
        {kMsgBtnFadeMore, "Fade More"},
        {kMsgBtnFadeLess, "Fade Less"},
        {kMsgBtnPreviewFade, "Preview Fade"},
        {kMsgBtnProcess, "Process"},
        {kMsgBtnCreateCd, "Create CD"},
        {kMsgBtnMp3Wma, "MP3/WMA"},
        {kMsgBtnImportPlaylist, " Import  Playlist"},
        {kMsgBtnMaximizeGain, "Maximize Gain"},
        {kMsgBtnTrimStartEnd, "Trim Start/End"},
        {kMsgBtnFadeInOut, "Fade In/Out"},
        {kMsgBtnTrimStart, "Trim Start"},
        {kMsgBtnTrimEnd, "Trim End"},
        {kMsgBtnDoTrim, "Do Trim"},
        {kMsgBtnTrimMore, "Trim More"},
        {kMsgBtnTrimLess, "Trim Less"},
        {kMsgBtnPreviewTrim, "Preview Trim"},
        {kMsgBtnCancel, "Cancel"},
        // Sound devices, playback and recording
        {kMsgRecordingHardware, "ERROR. An error occured setting up the recording hardware."},
        // Device failures (numbers of our own; the texts are the program's)
        {kMsgDsErrorPrefix, "DirectSound Error: "},
        {kMsgDsNoError, "NO ERROR"},
        {kMsgDsOtherAppHasPriority,
         "Another application has a higher priority level, preventing this call from succeeding"},
        {kMsgDsUninitialized,
         "The IDirectSound::Initialize method has not been called or has not been called successfully "
         "before other methods were called."},
        {kMsgDsBufferLost, "The buffer memory has been lost and must be restored."},
        {kMsgDsPriorityLevelNeeded,
         "The caller does not have the priority level required for the function to succeed."},
        {kMsgDsBadFormat, "The specified wave format is not supported."},
        {kMsgDsNoDriver, "No sound driver is available for use."},
        {kMsgDsAlreadyInitialized, "The object is already initialized."},
        {kMsgDsInvalidCall, "This function is not valid for the current state of this object."},
        {kMsgDsInvalidParam, "The specified wave format is not supported by the sound card hardware."},
        {kMsgDsAllocated,
         "The request failed because resources, such as a priority level, were already in use by another "
         "caller."},
        {kMsgDsControlUnavail, "The buffer control (volume, pan, and so on) requested by the caller is not available."},
        {kMsgDsOutOfMemory,
         "The DirectSound subsystem could not allocate sufficient memory to complete the caller's request."},
        {kMsgDsNoAggregation, "The object does not support aggregation."},
        {kMsgDsGeneric, "An undetermined error occurred inside the DirectSound subsystem."},
        {kMsgDsUnsupported, "The function called is not supported at this time."},
        {kMsgDsNoInterface, "The requested COM interface is not available."},
        {kMsgDsUnknown, "Unknown error number"},
        {kMsgDsNotifyError, "Error handling DirectSound notifications:"},
        {kMsgCaptureSaveError, "Error Saving captured audio data."},
        {kMsgChooseOtherDevice, "Could not start recording. Choose a different device"},
        {kMsgRecordTimeIdle, "Record Time: 0.00"},
        {kMsgRecordingTime, "Recording - Time"},
        {kMsgWaitingTime, "Waiting -   Time"},
        {kMsgNoMixer,
         "No recording mixer was found. Install pavucontrol, or alsamixer and a terminal, or name the mixer "
         "program in the RecordMixer setting."},
        {kMsgRecordingNameCaption, "Enter Recording Name"},
        {kMsgDefaultDevice, "Default device"},
        // MP3 and WMA output and import
        {kMsgMultipleStreams,
         "ERROR: The source file contains multiple audio streams. Restova cannot decode this file."},
        {kMsgUnsupportedWma, "ERROR: The file contains an upsupported format. (Not a Wave file)"},
        {kMsgWmaConverting, "Please Wait, Converting %s to WMA File"},
        {kMsgWmaCreated,
         "SUCCESS: Created Wma files. You can find these files in %s\n\nClick YES to open this directory in "
         "Windows Explorer otherwise click NO."},
        {kMsgMp3Created,
         "SUCCESS: Created MP3 files. These files can be found in %s. \n\nClick YES to open this directory "
         "in Windows Explorer otherwise click NO."},
        {kMsgMp3Converting, "Please Wait: Converting %s to an MP3 file."},
        {kMsgNoFilesSelected,
         "No files are selected. You need to select the files you want to convert.\nYou can also use the "
         "right mouse button menu to select all of the files. "},
        {kMsgWmaWriterFailed,
         "ERROR: Could not start the WMA encoder. \nYou must install the Microsoft WMAEncoder.exe package "
         "in order to create WMA files in Restova. \n\nYou can download WMEncoder.exe from the Parlowe web site or "
         "from Microsorts web site"},
        {kMsgWmaSourceFormat,
         "ERROR: Incorrect source format. You cannot use this codec because the file your are converting "
         "is not the correct type. "},
        {kMsgNoMp3Folder, "ERROR: Could not create the Mp3Files Directory in Bin3.  Cannot create MP3s"},
        {kMsgNoWmaFolder, "ERROR: An error occured trying to create the WmaFiles directory. Cannot contiune. "},
        {kMsgCannotRunEncoder, "ERROR: Could not run the MP3 decoder %1. Check the MP3 setup in the Preferences menu."},
        {kMsgCannotLoadEncoder,
         "ERROR: Could not load the LAME MP3 encoder DLL. Check the MP3 setup info in the "
         "preferences.\nTo set preferences, right-click on the message area and choose preferences menu"},
        {kMsgEncoderInterfaces,
         "ERROR: Cannot get the LAME interfaces. The version of the LAME DLL may not be compatible with "
         "Zarvo."},
        {kMsgAllocFailed, "Error allocating memory for this operation. "},
        // MP3 and WMA texts (numbers of our own; the first two are the program's)
        {kMsgEncodeStreamError, "Error opening encoding stream (%s)"},
        {kMsgEncoderExitCode, "That did not work. The program returned an exit code of %d"},
        {kMsgChooseWmaCodec, "Choose WMA Codec and Qualty Level"},
        {kMsgFlacConverting, "Please Wait, Converting %s to FLAC File"},
        {kMsgFlacCreated,
         "SUCCESS: Created FLAC files. You can find these files in %s\n\nClick YES to open this directory "
         "otherwise click NO."},
        {kMsgNoFlacFolder, "ERROR: An error occured trying to create the FlacFiles directory. Cannot contiune. "},
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

std::string FormatString(MsgId id, std::initializer_list<std::string> args) {
    return FillIn(LoadString(id), args);
}

std::string FormatString(MsgId id, const std::string& arg) {
    return FillIn(LoadString(id), {arg});
}

MsgAnswer ShowMessage(MsgId id, MsgIcon icon, MsgButtons buttons, std::initializer_list<std::string> args) {
    return Services().MessageBox(FormatString(id, args), kAppCaption, icon, buttons);
}

MsgAnswer ShowMessage(MsgId id, MsgIcon icon, MsgButtons buttons, const std::string& arg) {
    return ShowMessage(id, icon, buttons, {arg});
}
