// Fuzzing support: the readers take paths, so each input is put into one in-memory file
// (no disk traffic, nothing left behind) reachable by a /proc path.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

inline std::string FuzzInputFile(const std::uint8_t* data, std::size_t size) {
    static const int fd = memfd_create("sperrow-fuzz", 0);
    if (fd < 0 || ftruncate(fd, 0) != 0) return {};
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        if (n <= 0) return {};
        done += static_cast<std::size_t>(n);
    }
    return "/proc/self/fd/" + std::to_string(fd);
}
