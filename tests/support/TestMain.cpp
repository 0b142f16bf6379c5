// The main of every test program: the program's codecs are installed, as
// restova-cli installs them, before the tests run.
#include <gtest/gtest.h>

#include "codecs/Codecs.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    CCodecs codecs;
    return RUN_ALL_TESTS();
}
