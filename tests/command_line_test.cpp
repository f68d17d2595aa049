#include "run/CommandLine.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "run/Options.h"

namespace quorvel {
namespace {

// A small table of each kind of option, recording what it was given.
struct Recorded {
    std::string page;
    int32_t count = 7;
    bool flag = false;
    std::vector<std::string> rest;
};

std::vector<CommandOption> tableOf(Recorded& r) {
    return {
        {"--page", "PATH", "the page", [&r](const std::string& v) { r.page = v; }, nullptr},
        {"--count", "N", "a count", [&r](const std::string& v) { r.count = convertInt(v); },
         [&r] { return std::to_string(r.count); }},
        {"--flag", "", "ends the parsing", [&r](const std::string&) { r.flag = true; }, nullptr,
         Takes::Nothing},
        {"--rest", "FILE...", "takes the rest", [&r](const std::string& v) { r.rest.push_back(v); },
         nullptr, Takes::Rest},
    };
}

TEST(CommandLine, EachKindTakesItsArguments) {
    struct Case {
        std::vector<std::string> args;
        bool ended;
        std::string page;
        int32_t count;
        bool flag;
        std::vector<std::string> rest;
    };
    const std::vector<Case> cases = {
        {{"p"}, false, "", 7, false, {}},
        // A value is the next argument, whatever it looks like.
        {{"p", "--page", "--count", "--count", "4"}, false, "--count", 4, false, {}},
        {{"p", "--count", "1", "--flag", "--bogus"}, true, "", 1, true, {}},
        {{"p", "--rest", "a", "--flag", "b"}, true, "", 7, false, {"a", "--flag", "b"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        Recorded r;
        EXPECT_EQ(parseCommandLine(tableOf(r), c.args, ConversionErrors::AsConverted), c.ended);
        EXPECT_EQ(r.page, c.page);
        EXPECT_EQ(r.count, c.count);
        EXPECT_EQ(r.flag, c.flag);
        EXPECT_EQ(r.rest, c.rest);
    }
}

TEST(CommandLine, ErrorsNameTheArgument) {
    struct Case {
        std::vector<std::string> args;
        ConversionErrors naming;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"p", "--page"}, ConversionErrors::AsConverted, "Missing value after --page"},
        {{"p", "--rest"}, ConversionErrors::NamingTheOption, "Missing value after --rest"},
        {{"p", "--page=x"}, ConversionErrors::NamingTheOption, "Unknown argument: --page=x"},
        {{"p", "--count", "x"}, ConversionErrors::AsConverted, "invalid stoi argument"},
        {{"p", "--count", "x"},
         ConversionErrors::NamingTheOption,
         "--count: invalid stoi argument"},
        {{"p", "--count", "99999999999", "--bogus"},
         ConversionErrors::NamingTheOption,
         "--count: stoi argument out of range"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        Recorded r;
        try {
            parseCommandLine(tableOf(r), c.args, c.naming);
            ADD_FAILURE() << "no error";
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(error.what(), c.message);
        }
    }
}

TEST(CommandLine, UsageShowsTheDefaultsOfFreshSettings) {
    Recorded r;
    r.count = 12;
    std::ostringstream out;
    printOptionUsage(out, "p [options]", tableOf(r));
    EXPECT_EQ(out.str(),
              "p [options]\n"
              "  --page PATH        the page\n"
              "  --count N          a count (default 12)\n"
              "  --flag             ends the parsing\n"
              "  --rest FILE...     takes the rest\n");
}

}  // namespace
}  // namespace quorvel
