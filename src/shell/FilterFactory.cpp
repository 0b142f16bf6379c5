#include "shell/FilterFactory.h"

#include "base/Services.h"
#include "enhance/Pitch.h"
#include "enhance/Riaa.h"
#include "enhance/TaviEnhance.h"
#include "processing/FilterRunner.h"
#include "processing/GainChange.h"
#include "processing/TaviClean.h"
#include "tracks/MarkSilence.h"

std::unique_ptr<CFilter> CFilterFactory::CreateFilter(int type) {
    switch (type) {
        case kFilterPitch:
            return std::make_unique<CPitch>();
        case kFilterGainChange:
            return std::make_unique<CGainChange>();
        case kFilterTaviClean:
            return std::make_unique<CTaviClean>();
        case kFilterTaviEnhance:
            return std::make_unique<CTaviEnhance>();
        case kFilterRiaa:
            return std::make_unique<CRiaa>();
        case kFilterMarkSilence:
            return std::make_unique<CMarkSilence>();
        default:
            ShowMessage(kMsgNoFilter, MsgIcon::Stop);
            return nullptr;
    }
}

bool CFilterFactory::RunFilterOnFile(CFilterRunner& runner, int type, const std::string& fileName,
                                     const std::string& presetName, MsgId captionId, bool preview) {
    const std::unique_ptr<CFilter> filter = CreateFilter(type);
    return filter && runner.RunFilterOnFile(*filter, fileName, presetName, captionId, preview);
}
