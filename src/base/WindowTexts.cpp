// Texts of the workflow, the window, the sound devices and compressed output.
#include "base/StringTexts.h"

namespace {

const TextEntry kTexts[] = {
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
    {kMsgPromptRecording, "RECORDING...  Press Stop when done, or re-start to erase what has been done and re-record"},
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
    {kMsgPromptTrimEnd, "Here are the last few seconds of the file. Place a divider where you want to cut the track"},
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
    {kMsgPromptPreviewFade, "Pressing preview will play a few seconds of the track as it will sound AFTER the fade."},
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
    {kMsgImportFilter, "Wave File (*.wav)|*.wav|MP3 audio (*.mp3)|*.mp3|WMA audio (*.wma)|*.wma|All files (*.*)|*.*||"},
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
    {kMsgDsPriorityLevelNeeded, "The caller does not have the priority level required for the function to succeed."},
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
    {kMsgMultipleStreams, "ERROR: The source file contains multiple audio streams. Restova cannot decode this file."},
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

}  // namespace

std::span<const TextEntry> WindowTexts() {
    return kTexts;
}
