#include "run/ProgramErrors.h"

#include <exception>
#include <stdexcept>

namespace quorvel {

std::string printableErrorText(const std::string& message) {
    constexpr std::size_t kMaxBytes = 1000;
    constexpr std::size_t kHeadBytes = 700;
    constexpr std::size_t kTailBytes = 200;
    const auto escaped = [](const std::string& text) {
        static const char kHex[] = "0123456789abcdef";
        std::string out;
        for (const char c : text) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte >= 0x20 && byte != 0x7f) {
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
        return out;
    };
    if (message.size() <= kMaxBytes) {
        return escaped(message);
    }
    const std::size_t cut = message.size() - kHeadBytes - kTailBytes;
    return escaped(message.substr(0, kHeadBytes)) + "...[" + std::to_string(cut) + " bytes]..." +
           escaped(message.substr(message.size() - kTailBytes));
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
