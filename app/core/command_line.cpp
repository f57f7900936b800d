#include "app/core/command_line.h"

#include <algorithm>

namespace vanto::cli {
namespace {

constexpr const char* kProgram = "vanto-remote-manager";

const OptionDescription* FindOption(const CommandDescription& desc, const std::string& name) {
    const auto it = std::find_if(desc.options.begin(), desc.options.end(),
                                 [&](const OptionDescription& o) { return o.name == name; });
    return it == desc.options.end() ? nullptr : &*it;
}

bool LooksLikeOption(const std::string& arg) {
    return arg.size() > 1 && arg[0] == '-';
}

}  // namespace

std::string ParsedArgs::Value(const std::string& name) const {
    const auto it = m_values.find(name);
    return it == m_values.end() || it->second.empty() ? std::string() : it->second.back();
}

const std::vector<std::string>& ParsedArgs::Values(const std::string& name) const {
    static const std::vector<std::string> kNone;
    const auto it = m_values.find(name);
    return it == m_values.end() ? kNone : it->second;
}

bool ParseCommandLine(const CommandDescription& desc, const std::vector<std::string>& args,
                      ParsedArgs& parsed, std::string& error) {
    parsed = ParsedArgs();
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || !LooksLikeOption(arg)) {
            parsed.m_operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            parsed.m_values["--help"].push_back({});
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const OptionDescription* option = FindOption(desc, name);
        if (option == nullptr) {
            error = "unknown option '" + name + "'";
            return false;
        }
        if (option->valueName.empty()) {
            if (equals != std::string::npos) {
                error = name + " takes no value";
                return false;
            }
            parsed.m_values[name].push_back({});
            continue;
        }
        std::string value;
        if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        }
        if (value.empty()) {
            error = name + " needs " + option->valueName;
            return false;
        }
        parsed.m_values[name].push_back(value);
    }
    if (parsed.Has("--help")) {
        return true;
    }
    for (const std::string& name : desc.required) {
        if (!parsed.Has(name)) {
            error = name + " is missing";
            return false;
        }
    }
    const std::size_t n = parsed.m_operands.size();
    if (n < desc.minOperands || n > desc.maxOperands) {
        if (n > desc.maxOperands) {
            error = "unexpected argument '" + parsed.m_operands[desc.maxOperands] + "'";
        } else {
            error = desc.operands.empty() ? "missing argument" : "needs " + desc.operands;
        }
        return false;
    }
    return true;
}

std::string CommandSynopsis(const CommandDescription& desc) {
    std::string text = desc.name;
    const auto add = [&text](const std::string& word) {
        if (!word.empty()) {
            text += text.empty() ? word : " " + word;
        }
    };
    add(desc.operands);
    bool optional = false;
    for (const OptionDescription& o : desc.options) {
        const bool required =
            std::find(desc.required.begin(), desc.required.end(), o.name) != desc.required.end();
        if (required) {
            add(o.name + (o.valueName.empty() ? "" : " " + o.valueName));
        } else if (!o.help.empty()) {
            optional = true;
        }
    }
    if (optional) {
        add("[OPTIONS]");
    }
    return text;
}

std::string CommandHelp(const CommandDescription& desc) {
    std::string text = std::string("Usage: ") + kProgram;
    const std::string synopsis = CommandSynopsis(desc);
    if (!synopsis.empty()) {
        text += " " + synopsis;
    }
    text += "\n";
    if (!desc.summary.empty()) {
        text += desc.summary + "\n";
    }
    std::string options;
    for (const OptionDescription& o : desc.options) {
        if (o.help.empty()) {
            continue;
        }
        std::string left = "  " + o.name + (o.valueName.empty() ? "" : " " + o.valueName);
        if (left.size() < 26) {
            left.resize(26, ' ');
        } else {
            left += "\n" + std::string(26, ' ');
        }
        options += left + o.help + "\n";
    }
    if (!options.empty()) {
        text += "Options:\n" + options;
    }
    return text;
}

const CommandDescription& WindowCommand() {
    static const CommandDescription desc{
        "",
        "",
        "Starts the window.",
        {
            {"--link", "usb|usb:VID:PID[,..]|tty:PATH",
             "the link to the remote (usb by default: the remote chosen with \"Choose "
             "Remote...\", unless --usb names one for this run)"},
            {"--usb", "VID:PID[,..]",
             "the remote's USB vendor:product ids for this run, as `devices` or lsusb shows them"},
        },
        0,
        0,
        nullptr,
        {},
    };
    return desc;
}

}  // namespace vanto::cli
