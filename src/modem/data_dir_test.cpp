#include "modem/data_dir.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace modem {
namespace {

namespace fs = std::filesystem;

// An installation and a source tree in a scratch folder, each present or not.
class DataDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("sperrow-data-dir-" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "prefix/bin");
    }
    void TearDown() override { fs::remove_all(root_); }

    std::string Program() const { return (root_ / "prefix/bin/sperrow-modem").string(); }
    fs::path Installed() const { return root_ / "prefix/share/sperrow/modem"; }
    fs::path Source() const { return root_ / "src/data/modem"; }
    std::string Find() const {
        return FindDataDir(Program(), "../share/sperrow/modem", Source().string());
    }

    fs::path root_;
};

TEST_F(DataDirTest, InstalledDataBesideTheProgramComesFirstThenTheSourceTree) {
    // Neither: the installed location, for the warning to name.
    EXPECT_EQ(Find(), Installed().string());
    fs::create_directories(Source());
    EXPECT_EQ(Find(), Source().string());
    fs::create_directories(Installed());
    EXPECT_EQ(Find(), Installed().string());
}

TEST_F(DataDirTest, AFileWhereTheFolderShouldBeDoesNotCount) {
    fs::create_directories(Installed().parent_path());
    std::ofstream(Installed()) << "not a folder";
    fs::create_directories(Source());
    EXPECT_EQ(Find(), Source().string());
}

TEST(RunningProgram, IsThisTestBinary) {
    std::string self = RunningProgram();
    ASSERT_FALSE(self.empty());
    EXPECT_TRUE(fs::path(self).is_absolute());
    EXPECT_EQ(fs::path(self).filename(), "modem_tests");
}

}  // namespace
}  // namespace modem
