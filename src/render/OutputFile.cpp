#include "render/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <utility>

namespace quorvel {

namespace {

// As many links as the kernel itself follows before it gives up with ELOOP.
constexpr int kMaxLinkHops = 40;
constexpr int kTemporaryNameAttempts = 100;

struct Replaceable {
    std::string target;
    // The permission bits of the file being replaced; none for a new file.
    std::optional<mode_t> mode;
};

// The links under /proc (where /dev/stdout and /dev/fd/N lead) name open files, not places: a
// file reached through one is written in place, as the descriptor's owner expects.
bool isProcessLink(const std::filesystem::path& link) {
    std::error_code error;
    const std::filesystem::path parent = link.has_parent_path() ? link.parent_path() : ".";
    const std::string directory = std::filesystem::canonical(parent, error).string();
    return error || directory == "/proc" || directory.rfind("/proc/", 0) == 0;
}

// Follows symbolic links from `path` to the file a plain open would write. Returns it when it
// is a regular file or does not exist yet; anything else, or a path that cannot be examined,
// is written directly (and a plain open reports what is wrong with it).
std::optional<Replaceable> replaceableTarget(const std::string& path) {
    std::filesystem::path current = path;
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        struct stat info;
        if (::lstat(current.c_str(), &info) != 0) {
            if (errno == ENOENT) {
                return Replaceable{current.string(), std::nullopt};
            }
            return std::nullopt;
        }
        if (S_ISREG(info.st_mode)) {
            return Replaceable{current.string(), info.st_mode & 07777};
        }
        if (!S_ISLNK(info.st_mode) || isProcessLink(current)) {
            return std::nullopt;
        }
        std::error_code error;
        const std::filesystem::path link = std::filesystem::read_symlink(current, error);
        if (error) {
            return std::nullopt;
        }
        // A relative link is read from the link's own directory; an absolute one replaces it.
        current = current.parent_path() / link;
    }
    return std::nullopt;
}

// Creates a new, empty file beside `target` whose name no one else uses, with the mode a plain
// create gives (0666 less the umask) or `mode` when replacing a file. Returns its path, or
// nothing with the reason in `error`.
std::optional<std::string> createTemporary(const Replaceable& replaceable, int& error) {
    const std::filesystem::path target = replaceable.target;
    const std::string stem = (target.parent_path() / ("." + target.filename().string())).string() +
                             ".tmp" + std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        const std::string candidate = stem + std::to_string(attempt);
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) {
                continue;
            }
            error = errno;
            return std::nullopt;
        }
        const bool modeSet = !replaceable.mode || ::fchmod(fd, *replaceable.mode) == 0;
        const int modeError = errno;
        const bool closed = ::close(fd) == 0;
        if (!modeSet || !closed) {
            error = modeSet ? errno : modeError;
            std::remove(candidate.c_str());
            return std::nullopt;
        }
        return candidate;
    }
    error = EEXIST;
    return std::nullopt;
}

// A directory that refuses a new file, or a name too long to take the temporary's suffix, may
// still hold a target that a plain open can write.
bool writableInPlace(int error) {
    return error == EACCES || error == EPERM || error == ENAMETOOLONG;
}

}  // namespace

OutputFile::OutputFile(const std::string& path, std::string failureMessage)
    : failureMessage_(std::move(failureMessage)) {
    const std::optional<Replaceable> replaceable = replaceableTarget(path);
    std::optional<std::string> temporary;
    if (replaceable) {
        int error = 0;
        temporary = createTemporary(*replaceable, error);
        // Anything else (no space or inode left, no such directory) fails here, before the
        // target is touched.
        if (!temporary && !writableInPlace(error)) {
            fail();
        }
    }
    if (temporary) {
        targetPath_ = replaceable->target;
        temporaryPath_ = *temporary;
    }
    const std::string& opened = temporary ? temporaryPath_ : path;
    stream_.open(opened, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!stream_) {
        fail();
    }
}

OutputFile::~OutputFile() {
    discardTemporary();
}

void OutputFile::commit() {
    stream_.flush();
    stream_.close();
    if (stream_.fail()) {
        fail();
    }
    if (!temporaryPath_.empty()) {
        if (std::rename(temporaryPath_.c_str(), targetPath_.c_str()) != 0) {
            fail();
        }
        temporaryPath_.clear();
    }
}

void OutputFile::fail() {
    discardTemporary();
    throw std::runtime_error(failureMessage_);
}

void OutputFile::discardTemporary() {
    if (stream_.is_open()) {
        stream_.close();
    }
    if (!temporaryPath_.empty()) {
        std::remove(temporaryPath_.c_str());
        temporaryPath_.clear();
    }
}

}  // namespace quorvel
