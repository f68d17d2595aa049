// A file that is written whole or not at all. A regular file, or a path where nothing exists
// yet, is written to a temporary file in the same directory and renamed over the target only
// once every write, the flush and the close have succeeded, so a failed write (a full disk, a
// file size limit) neither leaves a truncated file behind nor destroys an earlier good one.
// A symbolic link is followed: the temporary file sits beside the link's final target and
// replaces it, and the link stays. Anything else (a terminal, a pipe, /dev/stdout, /dev/full)
// is opened and written directly, as a plain create-or-truncate would.
#pragma once

#include <fstream>
#include <ostream>
#include <string>

namespace quorvel {

class OutputFile {
  public:
    // Throws a runtime error carrying `failureMessage` when the file cannot be created.
    // `report` is the program's standard output, flushed before anything is written directly.
    OutputFile(const std::string& path, std::string failureMessage, std::ostream* report = nullptr);
    // Without a successful commit() the temporary file is removed and the target left as it was.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Where the content goes. Writers may check it early; commit() checks it in any case.
    std::ostream& stream() { return stream_; }

    // Flushes and closes the file and puts it in place of the target. Throws `failureMessage`
    // (after removing the temporary file) when any write, the flush, the close or the rename
    // failed.
    void commit();

    // Gives up: removes the temporary file and throws `failureMessage`.
    [[noreturn]] void fail();

    // Removes the temporary files of the writes under way; safe in a signal handler, which
    // may then end the process without leaving them behind.
    static void removeUnfinishedFiles();

  private:
    void discardTemporary();

    std::string failureMessage_;
    // Empty when the path is written directly.
    std::string targetPath_;
    std::string temporaryPath_;
    // A new file created in place, removed unless the commit succeeds.
    std::string createdInPlacePath_;
    bool appendsToStandardOutput_ = false;
    // Where removeUnfinishedFiles finds the file being written; -1 for none.
    int unfinishedSlot_ = -1;
    std::ofstream stream_;
};

}  // namespace quorvel
