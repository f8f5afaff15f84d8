#include "tftp/modem_info.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>

#include "tftp/engine_globals.h"

namespace {

using Fields = std::map<std::string, std::string>;

Fields Shown() {
    return {{"company", g_szCompany.str()},     {"date", g_szDate.str()},
            {"hw", g_szHardwareVersion.str()},  {"fw", g_szFirmwareVersion.str()},
            {"product", g_szProductId.str()},   {"mac", g_szMacAddress.str()},
            {"tftp", g_szTftpVersion.str()},    {"profile", g_szHwProfile.str()}};
}

// Each file's text, parsed over fields that all held "old": the fields it sets, every other
// one keeps its contents.
TEST(ModemInfoParse, EachFileSetsItsFieldsAndNoOther) {
    struct Case {
        const char* file;
        std::string text;
        Fields changed;
    } cases[] = {
        // A slash in the third field splits it; one in the date splits nothing.
        {"info", "  Acme;2020/01/02;  HW1/FW2 ;FW9",
         {{"company", "Acme"}, {"date", "2020/01/02"}, {"hw", "HW1"}, {"fw", "FW2 "}}},
        {"info", "Acme ; d ;HW3;  FW4 \r\n",
         {{"company", "Acme "}, {"date", "d "}, {"hw", "HW3"}, {"fw", "FW4 \r\n"}}},
        {"info", "", {}},
        {"info", std::string(40, 'c') + ";" + std::string(25, 'd'),
         {{"company", std::string(19, 'c')}, {"date", std::string(19, 'd')}}},
        {"ProductInfo", "P-1;aa:bb", {{"product", "P-1"}, {"mac", "aa:bb"}}},
        {"hw.prof", std::string(800, 'h'), {{"profile", std::string(499, 'h')}}},
        {"hw.prof", std::string("ab\0c;d", 6), {{"profile", "ab"}}},  // ends at the first zero
        {"info", std::string("Co\0;x;HW;FW", 11), {{"company", "Co"}}},
        {"imode", "a;b;c;d", {}},
    };
    for (const Case& c : cases) {
        std::apply([](auto&... field) { ((field = "old"), ...); },
                   std::tie(g_szCompany, g_szDate, g_szHardwareVersion, g_szFirmwareVersion,
                            g_szProductId, g_szMacAddress, g_szTftpVersion, g_szHwProfile));
        Fields want = Shown();
        for (auto& [field, text] : c.changed) want[field] = text;
        ParseModemInfo(c.file, reinterpret_cast<const std::uint8_t*>(c.text.data()), c.text.size());
        EXPECT_EQ(Shown(), want) << c.file << " " << c.text;
    }
    const std::uint8_t unterminated[] = {'x', 'y'};
    ParseModemInfo("hw.prof", unterminated, sizeof unterminated);
    EXPECT_EQ(g_szHwProfile.str(), "xy");
}

}  // namespace
