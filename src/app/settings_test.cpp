#include "app/settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

class SettingsTest : public ::testing::Test {
protected:
    SettingsTest() {
        std::string pattern = (std::filesystem::temp_directory_path() / "sperrow-XXXXXX").string();
        if (mkdtemp(pattern.data())) dir_ = pattern;
    }
    ~SettingsTest() override {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    // Writes `text` as the settings file and reads it back over stale values.
    SavedSettings Read(const std::string& text) {
        std::string path = dir_ + "/" + kSettingsFileName;
        std::ofstream(path, std::ios::binary) << text;
        SavedSettings s{"stale", "stale"};
        EXPECT_TRUE(ReadSettingsFile(path, s));
        return s;
    }
    std::string dir_;
};

TEST_F(SettingsTest, EmptyFileGivesEmptyValuesAndMissingFileChangesNothing) {
    SavedSettings s = Read("");
    EXPECT_EQ(s.password + s.packFile, "");
    s = {"kept", "kept.pack"};
    EXPECT_FALSE(ReadSettingsFile(dir_ + "/absent.cfg", s));
    EXPECT_EQ(s.password + "|" + s.packFile, "kept|kept.pack");
}

TEST_F(SettingsTest, BlanksColonsAndLetterCaseAroundTheKeyGiveTheSameValue) {
    for (const char* line : {"  \tPassword :  secret\n", "password:secret\r\n",
                             "PASSWORD\t:\t: secret", "pAsSwOrDsecret"})
        EXPECT_EQ(Read(line).password, "secret") << line;
    EXPECT_EQ(Read("PackFile: /fw/a b.pack \n").packFile, "/fw/a b.pack ");
}

TEST_F(SettingsTest, FourLettersMatchNothingPrefixMatchesAndEqualsIsKept) {
    EXPECT_EQ(Read("Pass: secret\n").password, "");
    EXPECT_EQ(Read("PackFiles.pack\n").packFile, "s.pack");
    EXPECT_EQ(Read("Password = secret\n").password, "= secret");
    EXPECT_EQ(MatchSettingKey(" \tpackfile:: x", "PackFile"), 13u);
    EXPECT_EQ(MatchSettingKey("PackFil", "PackFile"), std::nullopt);
    EXPECT_EQ(MatchSettingKey("x PackFile", "PackFile"), std::nullopt);
}

TEST_F(SettingsTest, LastOccurrenceWins) {
    SavedSettings s = Read("PackFile: one.pack\nPassword: a\nPackFile: two.pack\nPassword: b");
    EXPECT_EQ(s.packFile, "two.pack");
    EXPECT_EQ(s.password, "b");
}

TEST_F(SettingsTest, LineOf250CharactersIsTakenAsPiecesOf199And51) {
    std::string first = "PackFile:" + std::string(190, 'p');  // 199
    std::string second = "Password:" + std::string(42, 'w');  // 51, a line of its own
    SavedSettings s = Read(first + second + "\n");
    EXPECT_EQ(s.packFile, std::string(190, 'p'));
    EXPECT_EQ(s.password, std::string(42, 'w'));
}

// A file a person cannot tell from a settings file must not keep the program from starting
// or give a wrong password.
TEST_F(SettingsTest, OnlyRegularFilesAtMostAFewKilobytesAndNoByteOrderMark) {
    EXPECT_EQ(Read("\xEF\xBB\xBFPassword: secret\r\n").password, "secret");
    EXPECT_EQ(Read("PackFile: a\n\xEF\xBB\xBFPassword: x\n").password, "")
        << "only at the start is it a mark";
    // The last piece read ends at the bound: "Passw" of a key that starts 5 bytes before it.
    std::string near = "Password: near\n";
    std::string far = std::string(kSettingsMaxBytes - near.size() - 5, '\n') + "Password: far\n";
    EXPECT_EQ(Read(near + far).password, "near");

    SavedSettings s{"kept", "kept"};
    std::string link = dir_ + "/zero.cfg";
    std::filesystem::create_symlink("/dev/zero", link);
    EXPECT_FALSE(ReadSettingsFile(link, s));
    EXPECT_FALSE(ReadSettingsFile(dir_, s)) << "a folder";
    EXPECT_EQ(s.password, "kept");
}

}  // namespace
