#include "tftp/server_files.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <vector>

namespace tftp {

namespace {

enum class Probe { kNotYet, kKernel, kWalk };
Probe g_probe = Probe::kNotYet;
bool g_force_walk = false;
bool g_force_named = false;

constexpr std::string_view kTempPrefix = ".sperrow-up.";
constexpr std::size_t kTempRandom = 6;
constexpr int kTempAttempts = 16;

long Openat2(int dir_fd, const char* path, int flags, std::uint64_t resolve) {
    open_how how{};
    how.flags = static_cast<std::uint64_t>(flags) | O_CLOEXEC;
    how.resolve = resolve;
    return ::syscall(SYS_openat2, dir_fd, path, &how, sizeof how);
}

constexpr std::uint64_t kBeneath = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;

// Whether the kernel lets us use openat2 at all: an old kernel says ENOSYS, a seccomp filter
// that does not know the call usually EPERM. Asked once, on something that must open.
bool KernelResolves() {
    if (g_force_walk) return false;
    if (g_probe == Probe::kNotYet) {
        UniqueFd top(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
        long fd = top.IsOpen() ? Openat2(top.Get(), ".", O_PATH | O_DIRECTORY, kBeneath) : -1;
        g_probe = fd >= 0 ? Probe::kKernel : Probe::kWalk;
        if (fd >= 0) ::close(static_cast<int>(fd));
    }
    return g_probe == Probe::kKernel;
}

int Fail(int error) {
    errno = error;
    return -1;
}

// Splits on '/', leaving out empty and "." components.
std::vector<std::string_view> Components(std::string_view name) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t slash = name.find('/', start);
        if (slash == std::string_view::npos) slash = name.size();
        std::string_view part = name.substr(start, slash - start);
        if (!part.empty() && part != ".") parts.push_back(part);
        start = slash + 1;
    }
    return parts;
}

// Component by component, each opened relative to the one before without following a link.
int WalkBeneath(int dir_fd, std::string_view name, int flags) {
    if (!name.empty() && name.front() == '/') return Fail(EXDEV);
    std::vector<std::string_view> parts = Components(name);
    if (parts.empty()) return ::openat(dir_fd, ".", flags | O_CLOEXEC);
    UniqueFd current(::fcntl(dir_fd, F_DUPFD_CLOEXEC, 0));
    if (!current.IsOpen()) return -1;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (parts[i] == "..") return Fail(EXDEV);
        std::string part(parts[i]);
        bool last = i + 1 == parts.size();
        int next_flags = last ? flags : O_PATH | O_DIRECTORY;
        int next = ::openat(current.Get(), part.c_str(), next_flags | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0) {
            // A link where a folder was wanted says ENOTDIR: say what it is.
            struct stat st {};
            int error = errno;
            bool link = ::fstatat(current.Get(), part.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                        S_ISLNK(st.st_mode);
            return Fail(link ? ELOOP : error);
        }
        if (last) return next;
        current.Reset(next);
    }
    return -1;  // not reached: the last component returns above
}

bool IsRegular(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

// An fd opened with O_PATH, opened again for I/O through its /proc entry: the same inode,
// whatever has happened to the name since.
int Reopen(int path_fd, int flags) {
    std::string proc = "/proc/self/fd/" + std::to_string(path_fd);
    return ::open(proc.c_str(), flags | O_CLOEXEC | O_NOCTTY);
}

mode_t NewFileMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

std::string TemporaryName() {
    static std::mt19937 random{std::random_device{}()};
    static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string name(kTempPrefix);
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kChars - 2);
    for (std::size_t i = 0; i < kTempRandom; ++i) name += kChars[pick(random)];
    return name;
}

}  // namespace

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
}

int UniqueFd::Release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
}

void UniqueFd::Reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
}

ResolveWay ActiveResolveWay() {
    return KernelResolves() ? ResolveWay::kKernel : ResolveWay::kWalk;
}

void ForceResolveWalk(bool on) {
    g_force_walk = on;
}

void ForceNamedTemporary(bool on) {
    g_force_named = on;
}

int OpenBeneath(int dir_fd, std::string_view name, int flags) {
    if (KernelResolves()) {
        std::string path = name.empty() ? std::string(".") : std::string(name);
        long fd = Openat2(dir_fd, path.c_str(), flags, kBeneath);
        if (fd >= 0 || errno != ENOSYS) return static_cast<int>(fd);
        g_probe = Probe::kWalk;  // a filter installed since the probe
    }
    return WalkBeneath(dir_fd, name, flags);
}

int OpenRootDirectory(const std::string& path) {
    return ::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
}

int OpenForReading(int root_fd, std::string_view name) {
    UniqueFd path(OpenBeneath(root_fd, name, O_PATH));
    if (!path.IsOpen()) return -1;
    if (!IsRegular(path.Get())) return Fail(EACCES);
    return Reopen(path.Get(), O_RDONLY);
}

bool IsTemporaryName(std::string_view component) {
    return component.size() == kTempPrefix.size() + kTempRandom &&
           component.substr(0, kTempPrefix.size()) == kTempPrefix;
}

FileRefusal RefusalFor(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return {1, "File not found"};
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return {3, "Disk full or allocation exceeded"};
        case EACCES:
        case EPERM:
        case EXDEV:
        case ELOOP:
        case EROFS:
        case EISDIR:
        case ETXTBSY:
        case ENAMETOOLONG:
            return {2, "Access violation"};
        default:
            return {0, std::strerror(error)};
    }
}

int Upload::Begin(int root_fd, std::string_view name) {
    Discard();
    std::size_t slash = name.rfind('/');
    std::string_view folder = slash == std::string_view::npos ? "" : name.substr(0, slash);
    base_ = std::string(slash == std::string_view::npos ? name : name.substr(slash + 1));
    if (base_.empty() || base_ == "." || base_ == ".." || IsTemporaryName(base_)) return EACCES;
    dir_.Reset(OpenBeneath(root_fd, folder, O_PATH | O_DIRECTORY));
    if (!dir_.IsOpen()) return errno;
    if (int error = CheckTarget(); error != 0) {
        Discard();
        return error;
    }
    int fd = g_force_named ? -1 : ::openat(dir_.Get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0) {
        file_.Reset(fd);
        return 0;
    }
    // vfat, NFS and older kernels have no unnamed files: a named one that requests refuse.
    bool unsupported = g_force_named || errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL;
    int error = unsupported ? OpenNamedTemporary() : errno;
    if (error != 0) Discard();
    return error;
}

// Replace only what the server itself could open for writing: a regular file, opened (not
// truncated) without following a link. The open is the test, so every reason the system
// has for refusing a write counts.
int Upload::CheckTarget() {
    struct stat st {};
    if (::fstatat(dir_.Get(), base_.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT) return errno;
        target_exists_ = false;
        mode_ = NewFileMode();
        return 0;
    }
    if (!S_ISREG(st.st_mode)) return EACCES;
    UniqueFd probe(::openat(dir_.Get(), base_.c_str(),
                            O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!probe.IsOpen()) return errno;
    if (::fstat(probe.Get(), &st) != 0) return errno;
    if (!S_ISREG(st.st_mode)) return EACCES;
    target_exists_ = true;
    mode_ = st.st_mode & 0777;
    uid_ = st.st_uid;
    gid_ = st.st_gid;
    return 0;
}

int Upload::OpenNamedTemporary() {
    for (int attempt = 0; attempt < kTempAttempts; ++attempt) {
        std::string name = TemporaryName();
        int fd = ::openat(dir_.Get(), name.c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            file_.Reset(fd);
            temp_name_ = std::move(name);
            return 0;
        }
        if (errno != EEXIST) return errno;
    }
    return EEXIST;
}

int Upload::Append(const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::write(file_.Get(), data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return 0;
}

// The unnamed file gets a short name beside the target through its /proc entry, and that
// name is renamed over the target: the target is the old file or the whole new one, never
// anything between.
int Upload::LinkUnderTemporaryName() {
    std::string proc = "/proc/self/fd/" + std::to_string(file_.Get());
    for (int attempt = 0; attempt < kTempAttempts; ++attempt) {
        std::string name = TemporaryName();
        if (::linkat(AT_FDCWD, proc.c_str(), dir_.Get(), name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            temp_name_ = std::move(name);
            return 0;
        }
        if (errno != EEXIST) return errno;
    }
    return EEXIST;
}

int Upload::Commit() {
    int error = CheckTarget();  // the target may have changed while the blocks came in
    if (error == 0 && target_exists_ && ::geteuid() == 0 &&
        ::fchown(file_.Get(), uid_, gid_) != 0) {
        error = errno;
    }
    if (error == 0 && ::fchmod(file_.Get(), mode_) != 0) error = errno;
    if (error == 0 && temp_name_.empty()) error = LinkUnderTemporaryName();
    if (error == 0 && ::renameat(dir_.Get(), temp_name_.c_str(), dir_.Get(), base_.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        Discard();
        return error;
    }
    temp_name_.clear();
    file_.Reset();
    dir_.Reset();
    return 0;
}

void Upload::Discard() {
    if (!temp_name_.empty() && dir_.IsOpen()) ::unlinkat(dir_.Get(), temp_name_.c_str(), 0);
    temp_name_.clear();
    file_.Reset();
    dir_.Reset();
}

}  // namespace tftp
