#include "formats/sample_files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "formats/compatible_list.h"
#include "formats/image_check.h"

namespace {

const std::string kSamples = SPERROW_SAMPLES_DIR;

TEST(SampleFiles, CheckedInFilesAreCurrentSuitTheSimulatedBoardAndPassTheCheck) {
    for (auto [name, bytes] :
         {std::pair{"/sample.pack", BuildSamplePack()}, {"/sample.comp", BuildSampleComp()}}) {
        std::ifstream in(kSamples + name, std::ios::binary);
        EXPECT_EQ(ByteVector(std::istreambuf_iterator<char>(in), {}), bytes) << name;
        char list[kMaxCompatibleList];
        EXPECT_EQ(ReadCompatibleList(kSamples + name, list, sizeof list), 1);
        EXPECT_STREQ(list, kSampleBoard);
        EXPECT_TRUE(CheckImageFile(kSamples + name).ok);
    }
}

}  // namespace
