// The one table of user texts, looked up by number, and the one path by
// which a numbered message reaches the user.
#pragma once

#include <initializer_list>
#include <string>

#include "base/Services.h"

// Every message, caption and prompt the program shows, by its number in the
// string table.
enum MsgId : int {
    kMsgNone = 0,  // no text: callers use it for "keep the default"
    // Wave files
    kMsgInternalError = 9,
    kMsgFormatNotSupported = 116,
    kMsgCannotOpenFile = 117,
    kMsgMemoryError = 118,
    kMsgCannotRead = 123,
    kMsgCannotOpen = 140,
    kMsgResolution = 188,
    kMsgCannotWrite = 190,
    kMsgMmePrepare = 436,
    kMsgMmeAddBuffer = 438,
    kMsgTypeNotSupported = 32786,
    kMsgWriteError = 32815,
    kMsgReadError = 32816,
    kMsgSeekError = 32819,
    kMsgBadFileType = 32834,
    kMsgSeekWave = 32927,
    // Sessions and peak files
    kMsgTooManyTempFiles = 107,
    kMsgOldPeakFile = 217,
    kMsgSaving = 314,
    kMsgSessionCorrupt = 376,
    kMsgSizeInconsistent = 468,
    kMsgNoPeakFile = 1414,
    // Committing a session (numbers of our own)
    kMsgShortWrite = 61201,
    kMsgRenameScratch = 61202,
    kMsgBackupSong = 61203,
    kMsgRenameOther = 61204,
    kMsgCreatingPeakFile = 61205,
    // Start-up
    kMsgGuideName = 227,
    kMsgBin1Invalid = 386,
    kMsgBin2Invalid = 387,
    kMsgBin3Invalid = 411,
    // Filter presets
    kMsgPresetExists = 295,
    kMsgConfirmDeletePreset = 296,
    kMsgPresetNotFound = 297,
    kMsgBadPreset = 305,
    kMsgInvalidPresetChar = 356,
    kMsgDeletePresetCaption = 493,
    kMsgEnterPresetName = 32830,
    kMsgDefaultNotDeleted = 32832,
    // Preset captions and the name box (numbers of our own)
    kMsgSettingExistsCaption = 61631,
    kMsgDeleteSettingCaption = 61632,
    kMsgPresetNameCaption = 61633,
    kMsgPresetNamePrompt = 61634,
    // Filter runs
    kMsgRiaaCaption = 159,
    kMsgIncompatible = 308,
    kMsgNoFilter = 352,
    // Runner texts (numbers of our own)
    kMsgOverwriteDestination = 61301,
    kMsgNullFilter = 61302,
    kMsgUnknownError = 61303,
    kMsgFilteringCaption = 61304,
    // Enhance stage (numbers of our own)
    kMsgEnhancingCaption = 61701,
    kMsgEnterWholeNumber = 61702,
    // Noise filters and the Clean stage
    kMsgNoBuffers = 306,
    // Clean pane texts (numbers of our own)
    kMsgCleaningCaption = 61401,
    // Speed correction and format conversion
    kMsgSpeedCaption = 148,
    kMsgNothingToDo = 350,
    kMsgResampleFailed = 1408,
    // Track dividers, final touches and splitting into songs
    kMsgChopped = 207,
    kMsgAlreadyIndexed = 215,
    kMsgReindexed = 216,
    kMsgCreatingFile = 224,
    kMsgOverwriteTrack = 294,
    kMsgCannotChop = 318,
    kMsgConfirmChop = 320,
    kMsgDeleteTrack = 358,
    kMsgEntireFile = 360,
    kMsgCannotCreateFolder = 385,
    kMsgNormalizing = 402,
    kMsgFindingIndex = 61801,
    kMsgFadeIn = 61802,
    kMsgFadeOut = 61803,
    kMsgCutSize = 61804,
    kMsgNoBuffer = 61805,
    kMsgChopTitle = 61806,
    kMsgEditTrackCaption = 61807,
    kMsgEditTrackPrompt = 61808,
    kMsgTrackStartLabel = 61809,
    kMsgSeekMismatch = 61810,
    // CD ripping and title lookup
    kMsgReady = 102,
    kMsgSearchingForCds = 133,
    kMsgNoCddbServerStatus = 136,
    kMsgNoTitlesFound = 137,
    kMsgCdRipPrompt = 111,
    kMsgRipAllPrompt = 213,
    kMsgRipSelectedPrompt = 214,
    kMsgSearchingTitles = 225,
    kMsgRipDonePrompt = 361,
    kMsgRipCanceledPrompt = 362,
    kMsgCreatePath = 383,
    kMsgStop = 494,
    kMsgNoCdInDrive = 1458,
    kMsgCannotReadToc = 1460,
    kMsgCloseWhileRipping = 1464,
    kMsgNoTracksSelected = 1478,
    kMsgCannotStartRip = 1503,
    kMsgOneRipAtATime = 1505,
    kMsgNoTrackToPlay = 1507,
    kMsgPlayTracks = 1509,
    kMsgTotalTime = 1513,
    // CD ripping texts (numbers of our own)
    kMsgNoCddbServer = 61901,
    kMsgAudioTrackName = 61902,
    kMsgDataTrackName = 61903,
    kMsgRippingTrack = 61904,
    kMsgPlayingTrack = 61905,
    kMsgDone = 61906,
    kMsgCanceled = 61907,
    kMsgNoCdDrive = 61908,
    kMsgCannotGetHandle = 61909,
    kMsgErrorReadingToc = 61910,
    kMsgFileCreationError = 61911,
    kMsgReadErrorAt = 61912,
    kMsgOpenImage = 61913,
    kMsgMp3NotAvailable = 61914,
    kMsgAudioTrackBase = 61915,
    kMsgOverwriteCaption = 61916,
    kMsgRipFolderTitle = 61917,
    kMsgNoPlayer = 61918,
    // CD writing and playlists
    kMsgDeleteFailed = 143,
    kMsgUnknownWriteError = 166,
    kMsgNotWritable = 164,
    kMsgNoDiscInRecorder = 165,
    kMsgEraseQuestion = 167,
    kMsgErasing = 168,
    kMsgEraseFailed = 169,
    kMsgTrackTooShort = 170,
    kMsgWritingCd = 171,
    kMsgPreparingTrack = 172,
    kMsgCdDone = 173,
    kMsgImportPlaylistTitle = 185,
    kMsgCannotReadPlaylist = 186,
    kMsgDiscFull = 199,
    kMsgConvertingToRedbook = 222,
    kMsgNoBlankCd = 313,
    kMsgConfirmDeleteFile = 316,
    kMsgStereoConvertFailed = 317,
    kMsgNoRecorders = 354,
    kMsgCannotOpenWriter = 355,
    kMsgNoError = 384,
    kMsgWriterInUse = 396,
    kMsgNoRedbook = 397,
    kMsgRecorderRemoved = 398,
    kMsgNoRecorderSelected = 399,
    kMsgTrackAlreadyOpen = 400,
    kMsgTrackNotOpen = 401,
    kMsgCdFormatFailed = 406,
    // CD writing texts (numbers of our own)
    kMsgNoDisc = 61951,
    kMsgMediaBlank = 61952,
    kMsgMediaCdrw = 61953,
    kMsgMediaCdr = 61954,
    kMsgMediaAudio = 61955,
    kMsgMediaXa = 61956,
    kMsgMediaCdi = 61957,
    kMsgMediaExtra = 61958,
    kMsgMediaOther = 61959,
    kMsgMediaSpecial = 61960,
    kMsgMediaUnknown = 61961,
    kMsgImageRecorder = 61962,
    kMsgErrorWithFile = 61963,
    kMsgPlaylistFilter = 61964,
};

// The text with this number, or an empty string when the table has none.
const std::string& LoadString(MsgId id);

// Fills the placeholders of text: "%1" to "%9" take the argument of that
// number; each "%s" or "%d" takes the next argument in order. A placeholder
// without an argument becomes empty.
std::string FillIn(std::string text, std::initializer_list<std::string> args);

// The text with this number, its placeholders filled.
std::string FormatString(MsgId id, std::initializer_list<std::string> args = {});
std::string FormatString(MsgId id, const std::string& arg);

// Shows message id, its placeholders filled, in a box captioned with the
// program's name; returns the answer.
MsgAnswer ShowMessage(MsgId id, MsgIcon icon, MsgButtons buttons = MsgButtons::Ok,
                      std::initializer_list<std::string> args = {});
MsgAnswer ShowMessage(MsgId id, MsgIcon icon, MsgButtons buttons, const std::string& arg);

// The caption of the program's message boxes.
inline constexpr const char* kAppCaption = "Restova";
