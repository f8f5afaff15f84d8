#include "app/settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "formats/test_support.h"

namespace {

class SettingsTest : public ::testing::Test {
protected:
    // Writes `text` as the settings file and reads it back over stale values: "password|pack".
    std::string Read(const std::string& text) {
        std::string path = dir_.Path(kSettingsFileName);
        std::ofstream(path, std::ios::binary) << text;
        SavedSettings s{"stale", "stale"};
        EXPECT_TRUE(ReadSettingsFile(path, s));
        return s.password + "|" + s.packFile;
    }
    ScratchDir dir_;
};

TEST_F(SettingsTest, KeysAreFoundAsAPersonWritesThem) {
    const std::string near = "Password: near\n";
    const struct {
        std::string text, want;
    } cases[] = {
        {"", "|"},
        // Blanks, colons and letter case around the key give the same value.
        {"  \tPassword :  secret\n", "secret|"},
        {"password:secret\r\n", "secret|"},
        {"PASSWORD\t:\t: secret", "secret|"},
        {"PackFile: /fw/a b.pack \n", "|/fw/a b.pack "},
        // Four letters match nothing; a prefix matches; "=" is part of the value.
        {"Pass: secret\n", "|"},
        {"PackFiles.pack\n", "|s.pack"},
        {"Password = secret\n", "= secret|"},
        {"PackFile: one\nPassword: a\nPackFile: two\nPassword: b", "b|two"},  // last wins
        // A line of 250 characters is two pieces, of 199 and 51.
        {"PackFile:" + std::string(190, 'p') + "Password:" + std::string(42, 'w') + "\n",
         std::string(42, 'w') + "|" + std::string(190, 'p')},
        // A byte-order mark only at the start; the file ends at its bound, mid-key.
        {"\xEF\xBB\xBFPassword: secret\r\n", "secret|"},
        {"PackFile: a\n\xEF\xBB\xBFPassword: x\n", "|a"},
        {near + std::string(kSettingsMaxBytes - near.size() - 5, '\n') + "Password: far\n",
         "near|"},
    };
    for (const auto& c : cases) EXPECT_EQ(Read(c.text), c.want) << c.text.substr(0, 40);
}

TEST_F(SettingsTest, WhatIsNotARegularFileChangesNothing) {
    SavedSettings s{"kept", "kept"};
    EXPECT_FALSE(ReadSettingsFile(dir_.Path("absent.cfg"), s));
    std::string link = dir_.Path("zero.cfg");
    std::filesystem::create_symlink("/dev/zero", link);
    EXPECT_FALSE(ReadSettingsFile(link, s));
    EXPECT_FALSE(ReadSettingsFile(dir_.Path(""), s)) << "a folder";
    EXPECT_EQ(s.password + s.packFile, "keptkept");
}

}  // namespace
