#include "codecs/Mp3SetupModel.h"

#include <cstdlib>

const char* CMP3Setup::ProgramNameFor(int type) {
    switch (type) {
        case Mp3Options::kBladeEnc:
            return "bladeenc";
        case Mp3Options::kLame:
            return "lame";
        case Mp3Options::kOggVorbis:
            return "oggenc";
        case Mp3Options::kXing:
            return "x3enc";
        default:
            return "OtherEncoder";
    }
}

CMP3Setup::CMP3Setup(const CSettingsStore& store) {
    const Mp3Options o = Mp3Options::Load(store);
    path = o.encoderPath;
    extraOptions = o.extraOptions;
    type = o.encoderType;
    useDll = o.useDll;
    useVbr = o.useVbr;
    bitRateText = std::to_string(o.bitRate);
}

void CMP3Setup::ChooseType(int newType) {
    type = newType;
    path = ProgramNameFor(newType);
}

bool CMP3Setup::Ok(CSettingsStore& store) const {
    Mp3Options o;
    o.encoderPath = path;
    o.extraOptions = extraOptions;
    o.encoderType = type;
    o.useDll = useDll;
    o.useVbr = useVbr;
    o.bitRate = std::atoi(bitRateText.c_str());
    return o.Save(store);
}
