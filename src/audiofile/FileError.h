// The numeric file error codes every part of the program reports, and the
// message each one shows.
#pragma once

#include "base/StringTable.h"

// File error codes; 0 is success.
enum FileError : int {
    kFileOk = 0,
    kErrWrite = 1,
    kErrRead = 2,
    kErrSeek = 3,
    kErrBadType = 4,
    kErrInternal = 101,
    kErrMemory = 102,
    kErrCannotOpen = 103,
    kErrFormat = 104,
    kErrTypeUnsupported = 105,
    kErrResolution = 106,
    kErrCannotWrite = 108,
    kErrSeekWave = 110,
    kErrMmePrepare = 111,
    kErrMmeAdd = 112,
    kErrCannotRead = 113,
};

// The message shown for code; any code without one of its own gets the general open failure.
MsgId FileErrorMessage(int code);
