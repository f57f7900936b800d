#pragma once
// The one command-line parser of the program: the window and every sub-command describe their
// options in a CommandDescription, and ParseCommandLine reads arguments against it; CommandHelp
// makes the help text from the same description.
//
// Options are "--name VALUE", "--name=VALUE" or a flag "--name", in any order among the positional
// arguments; a lone "--" ends the options. A value may not be empty. An option given twice keeps
// every value (Values) and its last one (Value).
//
// Exit statuses of every command: 0 success, 1 a refused input, 2 a usage error.

#include <functional>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vanto {
class FileSystem;
}

namespace vanto::cli {

constexpr int kExitOk = 0;
constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;

struct OptionDescription {
    std::string name;       // "--link", or a short one such as "-o"
    std::string valueName;  // "PATH"; empty for a flag
    std::string help;       // one line; empty hides the option from the help text
};

class ParsedArgs;

// What a command reads and writes through: the file system and its two output streams.
struct CommandIo {
    FileSystem& fs;
    std::ostream& out;
    std::ostream& err;
};

struct CommandDescription {
    std::string name;      // "image", "icons pack"; empty for the window
    std::string operands;  // "IN.s19", "FILE.vui DIR": the positional arguments, for the help
    std::string summary;   // one line for the overview
    std::vector<OptionDescription> options;
    std::size_t minOperands = 0;
    std::size_t maxOperands = 0;
    // Runs the command on parsed arguments and gives its exit status.
    std::function<int(const ParsedArgs&, CommandIo&)> run;
    // Options that must be given.
    std::vector<std::string> required = {};
};

class ParsedArgs {
public:
    const std::vector<std::string>& Operands() const { return m_operands; }
    bool Has(const std::string& name) const { return m_values.count(name) != 0; }
    // The last value of `name`, or an empty text when it was not given.
    std::string Value(const std::string& name) const;
    const std::vector<std::string>& Values(const std::string& name) const;

private:
    friend bool ParseCommandLine(const CommandDescription&, const std::vector<std::string>&,
                                 ParsedArgs&, std::string&);
    std::vector<std::string> m_operands;
    std::map<std::string, std::vector<std::string>> m_values;
};

// Parses `args` (the words after the command's name) against `desc`. "--help" and "-h" are
// always known flags. False with a message in `error` on a usage error.
bool ParseCommandLine(const CommandDescription& desc, const std::vector<std::string>& args,
                      ParsedArgs& parsed, std::string& error);

// "NAME OPERANDS REQUIRED-OPTIONS [OPTIONS]".
std::string CommandSynopsis(const CommandDescription& desc);
// "Usage: vanto-remote-manager " + the synopsis, the summary, then the options and their help.
std::string CommandHelp(const CommandDescription& desc);

// The options of the window (without a sub-command).
const CommandDescription& WindowCommand();

}  // namespace vanto::cli
