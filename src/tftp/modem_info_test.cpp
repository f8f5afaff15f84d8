#include "tftp/modem_info.h"

#include <gtest/gtest.h>

#include <string>

#include "tftp/command_files.h"
#include "tftp/engine_globals.h"

namespace {

void Parse(const char* name, const std::string& text) {
    ParseModemInfo(name, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

class ModemInfoParse : public ::testing::Test {
protected:
    ModemInfoParse() {
        for (auto* f : {&g_szCompany, &g_szDate}) *f = "old";
        g_szHardwareVersion = "old";
        g_szFirmwareVersion = "old";
        g_szProductId = "old";
        g_szMacAddress = "old";
        g_szTftpVersion = "old";
        g_szHwProfile = "old";
    }
};

TEST_F(ModemInfoParse, SlashInThirdFieldSplitsHardwareAndFirmware) {
    Parse("info", "  Acme;2020/01/02;  HW1/FW2 ;FW9");
    EXPECT_EQ(g_szCompany.str(), "Acme");
    EXPECT_EQ(g_szDate.str(), "2020/01/02");  // a slash in the date splits nothing
    EXPECT_EQ(g_szHardwareVersion.str(), "HW1");
    EXPECT_EQ(g_szFirmwareVersion.str(), "FW2 ");
}

TEST_F(ModemInfoParse, FourFieldsWithoutSlashKeepTrailingBlanksAndLineEnd) {
    Parse("info", "Acme ; d ;HW3;  FW4 \r\n");
    EXPECT_EQ(g_szCompany.str(), "Acme ");
    EXPECT_EQ(g_szDate.str(), "d ");
    EXPECT_EQ(g_szHardwareVersion.str(), "HW3");
    EXPECT_EQ(g_szFirmwareVersion.str(), "FW4 \r\n");
}

TEST_F(ModemInfoParse, FieldsTheTextDoesNotReachKeepTheirContents) {
    Parse("ProductInfo", "P-1;aa:bb");
    EXPECT_EQ(g_szProductId.str(), "P-1");
    EXPECT_EQ(g_szMacAddress.str(), "aa:bb");
    EXPECT_EQ(g_szTftpVersion.str(), "old");
    Parse("info", "");
    EXPECT_EQ(g_szCompany.str(), "old");
}

TEST_F(ModemInfoParse, LongTextsAreCutAtTheFieldSize) {
    Parse("info", std::string(40, 'c') + ";" + std::string(25, 'd'));
    EXPECT_EQ(g_szCompany.str(), std::string(19, 'c'));
    EXPECT_EQ(g_szDate.str(), std::string(19, 'd'));
    Parse("hw.prof", std::string(800, 'h'));
    EXPECT_EQ(g_szHwProfile.size(), 499u);
}

TEST_F(ModemInfoParse, TextEndsAtTheFirstZeroOrAtTheEndOfTheData) {
    const std::uint8_t data[] = {'a', 'b', 0, 'c', ';', 'd'};
    ParseModemInfo("hw.prof", data, sizeof data);
    EXPECT_EQ(g_szHwProfile.str(), "ab");
    const std::uint8_t unterminated[] = {'x', 'y'};
    ParseModemInfo("hw.prof", unterminated, sizeof unterminated);
    EXPECT_EQ(g_szHwProfile.str(), "xy");
}

TEST_F(ModemInfoParse, OtherNamesChangeNothing) {
    Parse("imode", "a;b;c;d");
    EXPECT_EQ(g_szCompany.str(), "old");
    EXPECT_EQ(g_szProductId.str(), "old");
}

TEST(CommandFiles, ContentIsTheBufferTextThenCrLf) {
    StorePassword(std::string(40, 'k'));
    EXPECT_EQ(g_szPassword.size(), 29u);
    EXPECT_EQ(CommandFileData(1), std::string(29, 'k') + "\r\n");
    EXPECT_EQ(CommandFileData(7), CommandFileData(1));
    for (int i : {2, 3, 4, 5, 6}) EXPECT_EQ(CommandFileData(i), "\r\n");
    EXPECT_STREQ(CommandFileTable[2].remoteName, "tftpupdt.beg");
    EXPECT_FALSE(IsCommandFileIndex(0));
    EXPECT_FALSE(IsCommandFileIndex(11));
}

}  // namespace
