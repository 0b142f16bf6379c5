// The filter factory: each type it builds, with the traits the runner reads,
// and the refusal of every other type.
#include <gtest/gtest.h>

#include "processing/FilterRunner.h"
#include "shell/FilterFactory.h"
#include "support/FilterHarness.h"

namespace {

class FilterFactoryTest : public ProcessingTest {};

TEST_F(FilterFactoryTest, BuildsTheStagesWithTheirTraitsAndRefusesTheRest) {
    const std::pair<int, unsigned> built[] = {{kFilterPitch, kTraitChangesLength},
                                              {kFilterMarkSilence, kTraitNoOutput | kTraitNoStep},
                                              {kFilterTaviClean, 0},
                                              {kFilterTaviEnhance, 0},
                                              {kFilterGainChange, 0},
                                              {kFilterRiaa, 0}};
    for (const auto& [type, traits] : built) {
        const std::unique_ptr<CFilter> f = CFilterFactory::CreateFilter(type);
        ASSERT_NE(f, nullptr) << type;
        EXPECT_EQ(f->GetType(), type);
        EXPECT_EQ(f->Traits(), traits) << type;
    }
    EXPECT_TRUE(services.Messages().empty());
    // The composites' children, and numbers that name nothing.
    for (int type : {int{kFilterImpulse}, int{kFilterAutoHum}, 0, 12345}) {
        EXPECT_EQ(CFilterFactory::CreateFilter(type), nullptr) << type;
        EXPECT_EQ(services.Messages().back().text, LoadString(kMsgNoFilter));
    }
    CFilterRunner runner;
    EXPECT_FALSE(
        CFilterFactory::RunFilterOnFile(runner, kFilterImpulse, dir.File("song.wav"), "", kMsgRiaaCaption, false));
}

}  // namespace
