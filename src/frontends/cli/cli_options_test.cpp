// The command line as parsed: where the password comes from (options after the command are
// the same options), what makes a fleet run, and what makes a usage error. (What the start
// options carry to the window: tests/cli's commands and integrity tests.)
#include "frontends/cli/cli_options.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace cli {
namespace {

const char* const kHex = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

ParsedCommandLine Parse(const std::vector<const char*>& args) {
    std::vector<const char*> argv = {"sperrow"};
    argv.insert(argv.end(), args.begin(), args.end());
    return ParseCommandLine(static_cast<int>(argv.size()), argv.data());
}

// -p, then --password-file (its first line without the line end), then SPERROW_PASSWORD,
// then setting.cfg (nothing here). An empty variable is no password, as an empty NO_COLOR is
// no wish; an empty -p is kept, so the settings cannot replace it.
TEST(PasswordSource, TheEnvironmentComesAfterTheCommandLineAndBeforeTheSettings) {
    std::string path = "/tmp/sperrow-pwfile-env-" + std::to_string(::getpid());
    std::ofstream(path, std::ios::binary) << "from-file\r\nsecond line\n";
    struct Case {
        const char* env;  // null: unset
        std::vector<const char*> args;
        const char* password;  // null: none
    };
    const Case cases[] = {
        {"from-env", {"-p", "from-p", "info"}, "from-p"},
        {nullptr, {"info", "-p", "after", "--port", "6969"}, "after"},
        {"from-env", {"--password-file", path.c_str(), "info"}, "from-file"},
        {"from-env", {"info"}, "from-env"},
        {"", {"info"}, nullptr},
        {nullptr, {"info"}, nullptr},
        {"from-env", {"-p", "", "info"}, ""},
        {nullptr, {"-p", "", "info"}, ""},
    };
    for (const Case& c : cases) {
        c.env ? ::setenv("SPERROW_PASSWORD", c.env, 1) : ::unsetenv("SPERROW_PASSWORD");
        auto parsed = Parse(c.args);
        ASSERT_TRUE(parsed.options);
        EXPECT_EQ(parsed.options->password,
                  c.password ? std::optional<std::string>(c.password) : std::nullopt)
            << (c.env ? c.env : "unset") << " " << c.args[0];
    }
    ::unsetenv("SPERROW_PASSWORD");
    std::remove(path.c_str());
}

// What makes a run a fleet run, and what a fleet run refuses before anything starts.
TEST(FleetRun, SeveralModemsOrAModemsFileAndTheCommandsItTakes) {
    std::string path = "/tmp/sperrow-modems-" + std::to_string(::getpid());
    std::ofstream(path) << "# shop\n10.0.0.3\tpw3\n";
    EXPECT_TRUE(Parse({"-m", "10.0.0.1", "info"}).options->fleet.empty());
    auto two = Parse({"-m", "10.0.0.1", "info", "-m", "10.0.0.2", "--modems", path.c_str()});
    ASSERT_TRUE(two.options);
    EXPECT_EQ(two.options->fleet,
              (std::vector<FleetModem>{{"10.0.0.1", {}}, {"10.0.0.2", {}}, {"10.0.0.3", "pw3"}}));
    EXPECT_FALSE(two.options->modem);
    EXPECT_EQ(Parse({"config", "get", "-o", "{modem}.pack"}).options->file, "192.168.1.1.pack");

    struct Refusal {
        std::vector<const char*> args;
        const char* says;
    };
    const Refusal refusals[] = {
        {{"serve"}, "a fleet run (several modems) is for upgrade"},
        {{"--broadcast", "upgrade", "f"}, "not with --broadcast"},
        {{"upgrade", "f", "--target", "vxworks"}, "--target vxworks"},
        {{"config", "get", "-o", "same.pack"}, "wants {modem} in -o"},
        {{"--pcap", "x.pcap", "info"}, "--pcap in a fleet run wants {modem}"},
        {{"-m", "10.0.0.1", "info"}, "modem 10.0.0.1 is named twice"},
        {{"--jobs", "17", "info"}, "--jobs"},
        {{"--modems", "/nonexistent/modems", "info"}, "cannot read the modems file"},
    };
    for (const Refusal& r : refusals) {
        std::vector<const char*> args = {"-m", "10.0.0.1", "-m", "10.0.0.2"};
        args.insert(args.end(), r.args.begin(), r.args.end());
        auto parsed = Parse(args);
        EXPECT_FALSE(parsed.options) << r.says;
        EXPECT_EQ(parsed.exitCode, 2) << r.says;
        EXPECT_NE(parsed.err.find(r.says), std::string::npos) << parsed.err;
    }
    std::remove(path.c_str());
}

TEST(UsageErrors, EndWithStatusTwoAndHelpOrVersionWithZero) {
    for (auto args : {std::vector<const char*>{"bogus"},
                      {"config"},
                      {"upgrade"},
                      {"--port", "0", "info"},
                      {"--password-file", "/nonexistent/sperrow-pw", "info"},
                      {"-p", "a", "--password-file", "x", "info"},
                      {"-m", "10.0.0", "info"},
                      {"upgrade", "f", "--target", "linux"},
                      {"upgrade", "f", "--sha256", "abc"},
                      {"send", "--file", "a", "--file2", "b", "--sha256", kHex},
                      {"upgrade", "f", "--verify", "--target", "vxworks"},
                      {"--broadcast", "upgrade", "f", "--verify"},
                      {"upgrade", "f", "--verify-interval", "0"}}) {
        auto parsed = Parse(args);
        EXPECT_FALSE(parsed.options) << args[0];
        EXPECT_EQ(parsed.exitCode, 2) << args[0];
    }
    EXPECT_EQ(Parse({"--help"}).exitCode, 0);
    EXPECT_EQ(Parse({"--version"}).exitCode, 0);
}

}  // namespace
}  // namespace cli
