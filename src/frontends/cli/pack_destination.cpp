#include "frontends/cli/pack_destination.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace cli {

namespace {

std::string TempPathFor(const std::string& destination) {
    std::size_t slash = destination.rfind('/');
    std::string folder = slash == std::string::npos ? "" : destination.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? destination : destination.substr(slash + 1);
    return folder + "." + name + "." + std::to_string(::getpid()) + ".part";
}

}  // namespace

PackDestination::PackDestination(std::string destination)
    : destination_(std::move(destination)), temp_(TempPathFor(destination_)) {}

PackDestination::~PackDestination() {
    Discard();
}

bool PackDestination::Prepare(std::string& error) {
    int fd = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = "Error:\nCannot create file " + destination_ + ": " + std::strerror(errno) + ".";
        return false;
    }
    ::close(fd);
    prepared_ = true;
    return true;
}

bool PackDestination::Commit() {
    if (!prepared_) return false;
    struct stat info {};
    if (::stat(temp_.c_str(), &info) != 0 || info.st_size == 0) {
        Discard();
        return false;
    }
    if (std::rename(temp_.c_str(), destination_.c_str()) != 0) {
        Discard();
        return false;
    }
    prepared_ = false;
    return true;
}

void PackDestination::Discard() {
    if (!prepared_) return;
    ::unlink(temp_.c_str());
    prepared_ = false;
}

std::string PackDestination::Shown(std::string_view text) const {
    std::string shown(text);
    std::size_t at = shown.find(temp_);
    if (at != std::string::npos) shown.replace(at, temp_.size(), destination_);
    return shown;
}

}  // namespace cli
