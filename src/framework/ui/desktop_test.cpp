#include "framework/desktop.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "framework/ui/dialog.h"
#include "framework/ui/scripted_desktop.h"
#include "framework/ui/ui_test_support.h"

namespace fw::testing {
namespace {

namespace fs = std::filesystem;

// Runs in a fresh temporary directory and goes back to where it was.
class OpenFileTest : public UiTest {
protected:
    void SetUp() override {
        start_ = fs::current_path();
        std::string pattern = (fs::temp_directory_path() / "sperrow-ui-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root_ = fs::canonical(pattern);
        fs::create_directories(root_ / "images");
        fs::current_path(root_);
    }
    void TearDown() override {
        fs::current_path(start_);
        fs::remove_all(root_);
    }
    fs::path start_;
    fs::path root_;
};

TEST_F(OpenFileTest, ChoosingAFileMovesTheCurrentDirectoryToItsFolder) {
    std::string chosen = (root_ / "images" / "pkg.pack").string();
    desktop.QueueOpenFile(chosen);
    auto path = ChooseFile("Pack(*.pack)|*.pack|All file (*.*)|*.*",
                           OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
    ASSERT_TRUE(path);
    EXPECT_EQ(*path, chosen);
    EXPECT_EQ(fs::current_path(), root_ / "images");

    fs::current_path(root_);
    desktop.QueueOpenFile((root_ / "images" / "a.comp").string());
    EXPECT_TRUE(ChooseFile("", OFN_NOCHANGEDIR));
    EXPECT_FALSE(ChooseFile("", 0)) << "an empty script cancels";
    EXPECT_EQ(fs::current_path(), root_);
}

TEST(HeadlessDesktopTest, AnswersWithoutStartingAnythingFurther) {
    ASSERT_EQ(InstalledDesktop(), nullptr);
    EXPECT_EQ(AfxMessageBox("Timeout:\nADSL no ACK! Retry? ", MB_RETRYCANCEL), IDCANCEL);
    EXPECT_EQ(AfxMessageBox("Error:\nCannot send packet.", MB_ICONSTOP), IDOK);
    EXPECT_FALSE(TheDesktop().OpenFile("", 0));
}

}  // namespace
}  // namespace fw::testing
