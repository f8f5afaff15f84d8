#include "frontends/cli/serve_lines.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace cli {
namespace {

// Seven tab-separated fields whatever the name and the reason hold, the local time with its
// offset, and the seconds with two decimals.
TEST(ServeLine, SevenFieldsOnOneLine) {
    ::setenv("TZ", "UTC-2", 1);  // two hours east of UTC
    ::tzset();
    struct Case {
        ServerTransferReport report;
        const char* line;
    };
    const Case cases[] = {
        {{"127.0.0.1", 40000, false, "image.bin", 40026, 1234, "ok"},
         "1970-01-01T02:00:10+02:00\t127.0.0.1:40000\tread\timage.bin\t40026\t1.23\tok"},
        {{"10.0.0.7", 69, true, "a\tb\nc\\d", 0, 0, "Error from the peer: x\ty"},
         "1970-01-01T02:00:10+02:00\t10.0.0.7:69\twrite\ta\\x09b\\x0Ac\\\\d\t0\t0.00\t"
         "Error from the peer: x\\x09y"},
    };
    for (const Case& c : cases) EXPECT_EQ(ServeLine(c.report, 10), c.line);
    ::unsetenv("TZ");
    ::tzset();
}

}  // namespace
}  // namespace cli
