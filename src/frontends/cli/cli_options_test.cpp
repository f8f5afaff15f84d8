// The command line as parsed: where the password comes from, options on either side of the
// command, and what makes a usage error.
#include "frontends/cli/cli_options.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

namespace cli {
namespace {

ParsedCommandLine Parse(std::initializer_list<const char*> args) {
    std::vector<const char*> argv = {"sperrow"};
    argv.insert(argv.end(), args.begin(), args.end());
    return ParseCommandLine(static_cast<int>(argv.size()), argv.data());
}

TEST(PasswordSource, AnEmptyPasswordGivenIsKeptSoSettingsCannotReplaceIt) {
    auto given = Parse({"-p", "", "info"});
    ASSERT_TRUE(given.options);
    ASSERT_TRUE(given.options->password.has_value());
    EXPECT_EQ(*given.options->password, "");

    auto absent = Parse({"info"});
    ASSERT_TRUE(absent.options);
    EXPECT_FALSE(absent.options->password.has_value()) << "setting.cfg's password applies";
}

TEST(PasswordSource, PasswordFileGivesItsFirstLineWithoutTheLineEnd) {
    std::string path = "/tmp/sperrow-pwfile-" + std::to_string(::getpid());
    std::ofstream(path, std::ios::binary) << "s3cret\r\nsecond line\n";
    auto parsed = Parse({"--password-file", path.c_str(), "info"});
    std::remove(path.c_str());
    ASSERT_TRUE(parsed.options);
    EXPECT_EQ(parsed.options->password.value_or("<none>"), "s3cret");

    auto missing = Parse({"--password-file", "/nonexistent/sperrow-pw", "info"});
    EXPECT_FALSE(missing.options);
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(Parse({"-p", "a", "--password-file", "x", "info"}).exitCode, 2);
}

TEST(GlobalOptions, MayFollowTheCommandAndARepeatedOneTakesItsLastValue) {
    auto parsed = Parse({"--retry", "1", "upgrade", "fw.bin", "--retry", "7", "-m", "127.0.0.2"});
    ASSERT_TRUE(parsed.options);
    EXPECT_EQ(parsed.options->command, Command::kUpgrade);
    EXPECT_EQ(parsed.options->file, "fw.bin");
    EXPECT_EQ(parsed.options->retry.value_or(-1), 7);
    EXPECT_EQ(parsed.options->modem.value_or(""), "127.0.0.2");
}

TEST(UsageErrors, EndWithStatusTwoAndHelpOrVersionWithZero) {
    for (auto args : {std::vector<const char*>{"bogus"},
                      {"config"},
                      {"upgrade"},
                      {"--port", "0", "info"},
                      {"-m", "10.0.0", "info"},
                      {"upgrade", "f", "--target", "linux"}}) {
        std::vector<const char*> argv = {"sperrow"};
        argv.insert(argv.end(), args.begin(), args.end());
        auto parsed = ParseCommandLine(static_cast<int>(argv.size()), argv.data());
        EXPECT_FALSE(parsed.options) << args[0];
        EXPECT_EQ(parsed.exitCode, 2) << args[0];
    }
    EXPECT_EQ(Parse({"--help"}).exitCode, 0);
    EXPECT_EQ(Parse({"--version"}).exitCode, 0);
}

}  // namespace
}  // namespace cli
