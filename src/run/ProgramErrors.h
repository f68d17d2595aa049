// Where every error of a program ends: caught once, it becomes one "error: " line on the error
// stream and exit status 1, after the report already written has been flushed.
#pragma once

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>

#include "run/ReportStream.h"

namespace quorvel {

// quorvel writes its messages exactly as thrown; quorvel-view and quorvel-census show them in
// printable form (see printableErrorText), since they may carry an argument's raw bytes.
enum class ErrorText { AsThrown, Printable };

// The most bytes printableErrorText gives.
constexpr std::size_t kMaxShownErrorBytes = 1000;

// Control bytes (below 0x20, and 0x7f) as \n, \t, \r or \xHH, so that the line stays one line
// and no escape sequence reaches a terminal; a message longer than kMaxShownErrorBytes once
// shown keeps the bytes of its first 700 and its last 200 shown bytes (where the reason of a
// list error is) around "...[N bytes]...", N the bytes left out.
std::string printableErrorText(const std::string& message);

// Calls `run` with the report on `out` and returns its status. An error thrown by it, or a
// report that did not reach `out`, becomes the error line and status 1; lines already written
// stay.
int runProgram(std::ostream& out, std::ostream& err, ErrorText errorText,
               const std::function<int(ReportStream& report)>& run);

// As runProgram, for a run that writes to `out` itself.
int runReportingErrors(std::ostream& out, std::ostream& err, const std::function<int()>& run);

}  // namespace quorvel
