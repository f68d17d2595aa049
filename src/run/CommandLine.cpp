#include "run/CommandLine.h"

#include <algorithm>
#include <sstream>

namespace quorvel {

bool parseCommandLine(const std::vector<CommandOption>& table, const std::vector<std::string>& args,
                      ConversionErrors conversionErrors) {
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto option = std::find_if(table.begin(), table.end(),
                                         [&](const CommandOption& o) { return arg == o.name; });
        if (option == table.end()) {
            throw std::runtime_error("Unknown argument: " + arg);
        }
        if (option->takes == Takes::Nothing || option->takes == Takes::Flag) {
            option->store("");
            if (option->takes == Takes::Nothing) {
                return true;
            }
            continue;
        }
        if (i + 1 == args.size()) {
            throw std::runtime_error("Missing value after " + arg);
        }
        try {
            if (option->takes == Takes::Rest) {
                for (++i; i < args.size(); ++i) {
                    option->store(args[i]);
                }
                return true;
            }
            option->store(args[++i]);
        } catch (const ConversionError& error) {
            if (conversionErrors == ConversionErrors::AsConverted) {
                throw;
            }
            throw ConversionError(arg + ": " + error.what());
        }
    }
    return false;
}

void printOptionUsage(std::ostream& out, const std::string& title,
                      const std::vector<CommandOption>& table) {
    constexpr std::size_t kNameColumns = 18;
    out << title << "\n";
    for (const CommandOption& option : table) {
        std::string left = option.name;
        if (!option.argument.empty()) {
            left += " " + option.argument;
        }
        left.resize(std::max(left.size(), kNameColumns), ' ');
        out << "  " << left << " " << option.help;
        if (option.shownDefault) {
            out << " (default " << option.shownDefault() << ")";
        }
        out << "\n";
    }
}

std::vector<CommandOption> optionsNamed(const std::vector<CommandOption>& table,
                                        const std::vector<std::string>& names) {
    std::vector<CommandOption> picked;
    for (const std::string& name : names) {
        const auto option = std::find_if(table.begin(), table.end(),
                                         [&](const CommandOption& o) { return o.name == name; });
        if (option == table.end()) {
            throw std::logic_error("No option " + name + " in the table");
        }
        picked.push_back(*option);
    }
    return picked;
}

std::string shownNumber(double value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

}  // namespace quorvel
