// A program's report on standard output, as a stream that can outlive its reader. Until the
// program asks otherwise, a failed write fails the stream, as any stream does, and the run
// stops at its next check. A program with files still to write (a picture, a page, a CSV) asks
// to keep going instead: what the report loses is dropped, the run finishes its files, and the
// loss is reported once they are done, so no result file is lost because a reader stopped
// reading.
#pragma once

#include <ostream>
#include <streambuf>

namespace quorvel {

// Writes through to `target` with no buffer of its own, so that its flush is the target's.
class ReportBuffer : public std::streambuf {
  public:
    explicit ReportBuffer(std::streambuf* target) : target_(target) {}

    void keepGoingWhenLost() { keepGoing_ = true; }
    bool lost() const { return lost_; }

  protected:
    int_type overflow(int_type ch) override;
    std::streamsize xsputn(const char* data, std::streamsize count) override;
    int sync() override;

  private:
    std::streambuf* target_;
    bool keepGoing_ = false;
    bool lost_ = false;
};

class ReportStream : public std::ostream {
  public:
    explicit ReportStream(std::ostream& out) : std::ostream(nullptr), buffer_(out.rdbuf()) {
        rdbuf(&buffer_);
    }

    void keepGoingWhenLost() { buffer_.keepGoingWhenLost(); }
    // Some of the report did not reach its reader.
    bool lost() const { return buffer_.lost(); }

  private:
    ReportBuffer buffer_;
};

}  // namespace quorvel
