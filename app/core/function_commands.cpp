#include "app/core/function_commands.h"

namespace vanto {

std::string PromptDescription(const char* prompt) {
    const std::string text = prompt == nullptr ? std::string() : std::string(prompt);
    return text.substr(0, text.find('\n'));
}

int FunctionIndexOfCommand(int id) {
    for (std::size_t i = 0; i < kFunctionCommands.size(); ++i) {
        if (kFunctionCommands[i].id == id) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace vanto
