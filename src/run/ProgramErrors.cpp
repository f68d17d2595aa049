#include "run/ProgramErrors.h"

#include <exception>
#include <stdexcept>

namespace quorvel {

namespace {

// How many bytes `c` takes once shown: 1, or 2 for \n, \t, \r, or 4 for \xHH.
std::size_t shownWidth(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7f) {
        return 1;
    }
    return c == '\n' || c == '\t' || c == '\r' ? 2 : 4;
}

void appendShown(std::string& out, const char* first, const char* last) {
    static const char kHex[] = "0123456789abcdef";
    for (; first != last; ++first) {
        const char c = *first;
        const auto byte = static_cast<unsigned char>(c);
        if (shownWidth(c) == 1) {
            out.push_back(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else {
            out += "\\x";
            out.push_back(kHex[byte >> 4]);
            out.push_back(kHex[byte & 0xf]);
        }
    }
}

}  // namespace

std::string printableErrorText(const std::string& message) {
    // Measured as shown, so that escaped bytes cannot make the line four times as long.
    constexpr std::size_t kHeadBytes = 700;
    constexpr std::size_t kTailBytes = 200;
    std::size_t total = 0;
    for (const char c : message) {
        total += shownWidth(c);
    }
    const char* begin = message.data();
    const char* end = begin + message.size();
    std::string out;
    if (total <= kMaxShownErrorBytes) {
        appendShown(out, begin, end);
        return out;
    }
    const char* headEnd = begin;
    for (std::size_t shown = 0; shown + shownWidth(*headEnd) <= kHeadBytes; ++headEnd) {
        shown += shownWidth(*headEnd);
    }
    const char* tailBegin = end;
    for (std::size_t shown = 0; shown + shownWidth(tailBegin[-1]) <= kTailBytes; --tailBegin) {
        shown += shownWidth(tailBegin[-1]);
    }
    appendShown(out, begin, headEnd);
    out += "...[" + std::to_string(tailBegin - headEnd) + " bytes]...";
    appendShown(out, tailBegin, end);
    return out;
}

int runProgram(std::ostream& out, std::ostream& err, ErrorText errorText,
               const std::function<int(ReportStream& report)>& run) {
    ReportStream report(out);
    try {
        const int status = run(report);
        report.flush();
        if (report.lost() || !report) {
            throw std::runtime_error("Unable to write standard output");
        }
        return status;
    } catch (const std::exception& error) {
        report.flush();
        err << "error: "
            << (errorText == ErrorText::Printable ? printableErrorText(error.what())
                                                  : std::string(error.what()))
            << "\n";
        err.flush();
        return 1;
    }
}

int runReportingErrors(std::ostream& out, std::ostream& err, const std::function<int()>& run) {
    return runProgram(out, err, ErrorText::AsThrown, [&](ReportStream&) { return run(); });
}

}  // namespace quorvel
