// A stream buffer that keeps the first `capacity` bytes written to it and refuses the rest,
// as a full disk or a closed pipe does: the stream writing to it fails there.
#pragma once

#include <algorithm>
#include <cstddef>
#include <streambuf>
#include <string>

namespace quorvel::testsupport {

class CappedBuffer : public std::streambuf {
  public:
    explicit CappedBuffer(std::size_t capacity) : capacity_(capacity) {}
    // What got through.
    const std::string& text() const { return text_; }

  protected:
    int_type overflow(int_type ch) override {
        if (traits_type::eq_int_type(ch, traits_type::eof())) {
            return traits_type::not_eof(ch);
        }
        if (text_.size() >= capacity_) {
            return traits_type::eof();
        }
        text_.push_back(traits_type::to_char_type(ch));
        return ch;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        const std::size_t taken = std::min(capacity_ - text_.size(), static_cast<std::size_t>(n));
        text_.append(s, taken);
        return static_cast<std::streamsize>(taken);
    }

  private:
    std::size_t capacity_;
    std::string text_;
};

}  // namespace quorvel::testsupport
