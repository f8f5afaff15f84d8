// The server's files, beneath its root and nowhere else. A requested name is resolved inside
// the root directory by the kernel (openat2 with RESOLVE_BENEATH), or, where the kernel or a
// seccomp filter refuses that call, by a walk of its components that follows no symbolic
// link at all. Only regular files are ever opened for reading or replaced.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace tftp {

// A file descriptor that closes itself.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return fd_; }
    bool IsOpen() const { return fd_ >= 0; }
    int Release();
    void Reset(int fd = -1);

private:
    int fd_ = -1;
};

// How names are resolved beneath the root.
enum class ResolveWay { kKernel, kWalk };
// The way in use: the kernel's where a probe at first use succeeds, else the walk.
ResolveWay ActiveResolveWay();
// Tests: force the walk (true), or go back to what the kernel offers (false).
void ForceResolveWalk(bool on);
// Tests: force uploads to the named temporary file, as on file systems without O_TMPFILE.
void ForceNamedTemporary(bool on);

// Opens `name` (relative, '/'-separated) beneath the directory `dir_fd` with open(2) `flags`,
// never leaving that directory. -1 with errno on failure: EXDEV for an absolute name or a
// "..", ELOOP or ENOTDIR where the walk meets a symbolic link or the kernel refuses one that
// points outside.
int OpenBeneath(int dir_fd, std::string_view name, int flags);

// The directory a request is served from, opened once per request.
int OpenRootDirectory(const std::string& path);  // -1 with errno

// A regular file beneath the root, opened for reading: the fd, or -1 with errno (EACCES for
// anything but a regular file).
int OpenForReading(int root_fd, std::string_view name);

// The names an upload's temporary file takes while it is being put in place (and, where the
// file system has no unnamed files, while it is being written): fixed length, and refused
// to every request.
bool IsTemporaryName(std::string_view component);

// What a peer is told when a file cannot be opened, written or put in place: the TFTP error
// code and its text ("File not found", "Access violation", "Disk full or allocation
// exceeded", or the system's own words under code 0).
struct FileRefusal {
    std::uint16_t code = 0;
    std::string text;
};
FileRefusal RefusalFor(int error);

// A file being received: written into an unnamed file beside the target and put in place
// under the target's name only by Commit. It replaces only a regular file that the server
// could open for writing; the replacement keeps that file's mode without the setuid, setgid
// and sticky bits, and its owner when the server runs as root.
class Upload {
public:
    Upload() = default;
    ~Upload() { Discard(); }
    Upload(const Upload&) = delete;
    Upload& operator=(const Upload&) = delete;

    // 0, or the errno that refuses the upload of `name` beneath the root.
    int Begin(int root_fd, std::string_view name);
    // 0 or errno.
    int Append(const std::uint8_t* data, std::size_t size);
    // Puts the received bytes in place under the target's name: 0 or errno (the upload is
    // discarded then).
    int Commit();
    // Drops what was received; the target is untouched.
    void Discard();
    bool IsOpen() const { return file_.IsOpen(); }

private:
    // Whether the target may be replaced now, and with which mode and owner.
    int CheckTarget();
    int OpenNamedTemporary();
    int LinkUnderTemporaryName();

    UniqueFd dir_;
    UniqueFd file_;
    std::string base_;
    std::string temp_name_;  // the file's name while it has one that is not the target's
    bool target_exists_ = false;
    mode_t mode_ = 0;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
};

}  // namespace tftp
