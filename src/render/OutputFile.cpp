#include "render/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
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
// still take a new file under the name itself.
bool writableInPlace(int error) {
    return error == EACCES || error == EPERM || error == ENAMETOOLONG;
}

// The unfinished files of the writes under way, where a signal handler can reach them: fixed
// slots, each a path and a flag that says it is complete.
constexpr int kUnfinishedSlots = 8;
constexpr std::size_t kUnfinishedPathBytes = 4096;
struct UnfinishedSlot {
    std::atomic<bool> inUse{false};
    std::atomic<bool> ready{false};
    char path[kUnfinishedPathBytes];
};
UnfinishedSlot gUnfinished[kUnfinishedSlots];

int noteUnfinished(const std::string& path) {
    if (path.empty() || path.size() >= kUnfinishedPathBytes) {
        return -1;
    }
    for (int slot = 0; slot < kUnfinishedSlots; ++slot) {
        bool expected = false;
        if (gUnfinished[slot].inUse.compare_exchange_strong(expected, true)) {
            path.copy(gUnfinished[slot].path, path.size());
            gUnfinished[slot].path[path.size()] = '\0';
            gUnfinished[slot].ready = true;
            return slot;
        }
    }
    return -1;
}

void forgetUnfinished(int& slot) {
    if (slot >= 0) {
        gUnfinished[slot].ready = false;
        gUnfinished[slot].inUse = false;
        slot = -1;
    }
}

bool isStandardOutput(const std::string& path) {
    struct stat target;
    struct stat output;
    return ::stat(path.c_str(), &target) == 0 && ::fstat(STDOUT_FILENO, &output) == 0 &&
           target.st_dev == output.st_dev && target.st_ino == output.st_ino;
}

void flushReport(std::ostream* report) {
    if (report != nullptr) {
        report->flush();
    }
}

}  // namespace

OutputFile::OutputFile(const std::string& path, std::string failureMessage, std::ostream* report)
    : failureMessage_(std::move(failureMessage)) {
    if (isStandardOutput(path)) {
        flushReport(report);
        appendsToStandardOutput_ = true;
        stream_.open(path, std::ios::out | std::ios::app | std::ios::binary);
        if (!stream_) {
            fail();
        }
        return;
    }
    const std::optional<Replaceable> replaceable = replaceableTarget(path);
    std::optional<std::string> temporary;
    if (replaceable) {
        int error = 0;
        temporary = createTemporary(*replaceable, error);
        // Anything else (no space or inode left, no such directory) fails here, and so does an
        // earlier file that could only be truncated: either before the target is touched.
        if (!temporary && (!writableInPlace(error) || replaceable->mode)) {
            fail();
        }
    }
    if (temporary) {
        targetPath_ = replaceable->target;
        temporaryPath_ = *temporary;
        stream_.open(temporaryPath_, std::ios::out | std::ios::trunc | std::ios::binary);
    } else {
        flushReport(report);
        stream_.open(path, std::ios::out | std::ios::trunc | std::ios::binary);
        if (replaceable && stream_) {
            createdInPlacePath_ = replaceable->target;
        }
    }
    if (!stream_) {
        fail();
    }
    unfinishedSlot_ = noteUnfinished(temporary ? temporaryPath_ : createdInPlacePath_);
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
    createdInPlacePath_.clear();
    forgetUnfinished(unfinishedSlot_);
    // Standard output's own offset is still where the report ended: what it writes next goes
    // after the content instead of over it. (A pipe or a terminal has no offset to move.)
    if (appendsToStandardOutput_) {
        ::lseek(STDOUT_FILENO, 0, SEEK_END);
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
    forgetUnfinished(unfinishedSlot_);
    for (std::string* unfinished : {&temporaryPath_, &createdInPlacePath_}) {
        if (!unfinished->empty()) {
            std::remove(unfinished->c_str());
            unfinished->clear();
        }
    }
}

void OutputFile::removeUnfinishedFiles() {
    for (UnfinishedSlot& slot : gUnfinished) {
        if (slot.ready) {
            ::unlink(slot.path);
        }
    }
}

}  // namespace quorvel
