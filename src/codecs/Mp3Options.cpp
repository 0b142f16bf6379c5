#include "codecs/Mp3Options.h"

#include "base/AppSettings.h"
#include "base/SettingsStore.h"

Mp3Options Mp3Options::Load(const CSettingsStore& store, bool forCommand) {
    const std::string s = kSectionRestova;
    Mp3Options o;
    o.encoderPath = store.GetProfileString(s, "MP3EncoderPath", forCommand ? "" : kDefaultPath);
    o.extraOptions = store.GetProfileString(s, "MP3ExtraOptions", "");
    o.encoderType = store.GetProfileInt(s, "MP3EncoderType", forCommand ? kBladeEnc : kLame);
    o.useDll = store.GetProfileInt(s, "MP3UseDll", 1) != 0;
    o.useVbr = store.GetProfileInt(s, "MP3UseVBR", 0) != 0;
    o.bitRate = store.GetProfileInt(s, "MP3DefBitRate", 128);
    o.flacOutput = store.GetProfileInt(s, "OutputFlac", 0) != 0;
    return o;
}

bool Mp3Options::Save(CSettingsStore& store) const {
    const std::string s = kSectionRestova;
    store.BeginUpdate();
    store.WriteProfileString(s, "MP3EncoderPath", encoderPath);
    store.WriteProfileString(s, "MP3ExtraOptions", extraOptions);
    store.WriteProfileInt(s, "MP3EncoderType", encoderType);
    store.WriteProfileInt(s, "MP3UseDll", useDll ? 1 : 0);
    store.WriteProfileInt(s, "MP3UseVBR", useVbr ? 1 : 0);
    store.WriteProfileInt(s, "MP3DefBitRate", bitRate);
    return store.EndUpdate();
}
