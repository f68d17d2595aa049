// The command-line syntax the three programs share, read from one table per program: each
// option's name, the word its value is shown as, its help text and where its value goes. The
// parser and the usage text both come from the table, so an option cannot be parsed without
// being listed, nor listed with a default other than the one it has.
//
// Options are matched whole and case-sensitively; a value option takes the next argument
// whatever it looks like; the first error thrown ends the parsing.
#pragma once

#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace quorvel {

enum class Takes {
    Value,    // the next argument
    Nothing,  // a flag that ends the parsing when met, as --help does
    Flag,     // a flag the parsing goes on after
    Rest,     // every argument after it, at least one
};

struct CommandOption {
    std::string name;
    // The value's word in the usage ("N", "PATH"); empty for a flag.
    std::string argument;
    std::string help;
    // Gets the value; a flag gets an empty text, a Takes::Rest option each later argument.
    std::function<void(const std::string& value)> store;
    // The value the option has before the command line is read, shown as " (default X)".
    // Reads the settings the table was made on, so a usage made on fresh settings shows the
    // defaults they are declared with.
    std::function<std::string()> shownDefault;
    Takes takes = Takes::Value;
};

// A conversion error of a value: quorvel reports it as the conversion words it; the other
// programs put the option in front ("--depth: invalid stoi argument").
class ConversionError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

enum class ConversionErrors { AsConverted, NamingTheOption };

// args[0] is the program's name and is skipped. Returns true when a Takes::Nothing or
// Takes::Rest option ended the parsing; throws "Unknown argument: " + arg,
// "Missing value after " + option, or what a store throws.
bool parseCommandLine(const std::vector<CommandOption>& table, const std::vector<std::string>& args,
                      ConversionErrors conversionErrors);

// `title` on the first line, then one line per option: two blanks, the name and its argument
// in 18 columns, a blank and the help text.
void printOptionUsage(std::ostream& out, const std::string& title,
                      const std::vector<CommandOption>& table);

// The options of `table` named in `names`, in that order.
std::vector<CommandOption> optionsNamed(const std::vector<CommandOption>& table,
                                        const std::vector<std::string>& names);

// A number as the usage shows it: integers plainly, a density as "0.42".
std::string shownNumber(double value);

}  // namespace quorvel
