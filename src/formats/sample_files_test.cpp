#include "formats/sample_files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "formats/compatible_list.h"
#include "formats/file_description.h"
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
    auto d = DescribeFile(kSamples + "/sample.pack");
    ASSERT_TRUE(d);
    EXPECT_NE(d->text.find("Hardware version: HW1.0\t\t\nFirmware version: FW2.3\t\t\n"),
              std::string::npos);
    EXPECT_NE(d->text.find("Total: 3 file(s)"), std::string::npos);
    EXPECT_TRUE(d->text.ends_with("Criteria:\n  board=SIM-BOARD-1\n\n"));
}

}  // namespace
