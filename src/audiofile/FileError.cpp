#include "audiofile/FileError.h"

MsgId FileErrorMessage(int code) {
    switch (code) {
        case kErrWrite:
            return kMsgWriteError;
        case kErrRead:
            return kMsgReadError;
        case kErrSeek:
            return kMsgSeekError;
        case kErrBadType:
            return kMsgBadFileType;
        case kErrInternal:
            return kMsgInternalError;
        case kErrMemory:
            return kMsgMemoryError;
        case kErrCannotOpen:
            return kMsgCannotOpen;
        case kErrFormat:
            return kMsgFormatNotSupported;
        case kErrTypeUnsupported:
            return kMsgTypeNotSupported;
        case kErrResolution:
            return kMsgResolution;
        case kErrCannotWrite:
            return kMsgCannotWrite;
        case kErrSeekWave:
            return kMsgSeekWave;
        case kErrMmePrepare:
            return kMsgMmePrepare;
        case kErrMmeAdd:
            return kMsgMmeAddBuffer;
        case kErrCannotRead:
            return kMsgCannotRead;
        default:
            return kMsgCannotOpenFile;
    }
}
