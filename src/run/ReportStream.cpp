#include "run/ReportStream.h"

namespace quorvel {

ReportBuffer::int_type ReportBuffer::overflow(int_type ch) {
    if (traits_type::eq_int_type(ch, traits_type::eof())) {
        return traits_type::not_eof(ch);
    }
    const char c = traits_type::to_char_type(ch);
    return xsputn(&c, 1) == 1 ? ch : traits_type::eof();
}

std::streamsize ReportBuffer::xsputn(const char* data, std::streamsize count) {
    if (!lost_ && target_->sputn(data, count) == count) {
        return count;
    }
    lost_ = true;
    return keepGoing_ ? count : 0;
}

int ReportBuffer::sync() {
    if (!lost_ && target_->pubsync() == 0) {
        return 0;
    }
    lost_ = true;
    return keepGoing_ ? 0 : -1;
}

}  // namespace quorvel
