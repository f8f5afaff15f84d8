#include "frontends/cli/time_stamp.h"

#include <cstdio>

namespace cli {

namespace {

std::string Stamp(std::time_t when, int millis) {
    std::tm local{};
    localtime_r(&when, &local);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    long offset = local.tm_gmtoff / 60;
    char sign = offset < 0 ? '-' : '+';
    if (offset < 0) offset = -offset;
    char rest[48];
    if (millis < 0) {
        std::snprintf(rest, sizeof rest, "%c%02ld:%02ld", sign, offset / 60, offset % 60);
    } else {
        std::snprintf(rest, sizeof rest, ".%03d%c%02ld:%02ld", millis, sign, offset / 60,
                      offset % 60);
    }
    return std::string(text) + rest;
}

}  // namespace

std::string IsoTime(std::time_t when) {
    return Stamp(when, -1);
}

std::string IsoTimeNow() {
    std::timespec now{};
    std::timespec_get(&now, TIME_UTC);
    return Stamp(now.tv_sec, static_cast<int>(now.tv_nsec / 1000000));
}

}  // namespace cli
