#pragma once
// The ribbon's commands: the six function commands with their labels, key tips and tooltip texts,
// and the other command ids of the main window.

#include <array>
#include <string>

namespace vanto {

constexpr int ID_BUTTON_FUNC_APPDNLD = 32771;
constexpr int ID_BUTTON_FUNC_RDBDNLD = 32772;
constexpr int ID_BUTTON_FUNC_UDBACKUP = 32773;
constexpr int ID_BUTTON_FUNC_UDRESTORE = 32774;
constexpr int ID_BUTTON_FUNC_DDBACKUP = 32775;
constexpr int ID_BUTTON_FUNC_DDRESTORE = 32776;
constexpr int ID_APP_ABOUT = 57664;
constexpr int ID_APP_EXIT = 57665;

struct FunctionCommand {
    int id;
    const char* menuLabel;    // application menu, with its mnemonic
    const char* buttonLabel;  // large button on the "Function" panel
    char keyTip;              // key tip of the large button
    const char* prompt;       // description, a line break, then the short name
};

// By function index.
inline constexpr std::array<FunctionCommand, 6> kFunctionCommands{{
    {ID_BUTTON_FUNC_APPDNLD, "&Application Download", "Application Download", 'A',
     "Download remote control application\nApplication Download"},
    {ID_BUTTON_FUNC_RDBDNLD, "&Database Download", "Database Download", 'D',
     "Download remote control database\nDatabase Download"},
    {ID_BUTTON_FUNC_UDBACKUP, "&User Data Upload", "User Data Upload", 'B',
     "Upload user data\nUser Data Upload"},
    {ID_BUTTON_FUNC_UDRESTORE, "U&ser Data Download", "User Data Download", 'R',
     "Download user data\nUser Data Download"},
    {ID_BUTTON_FUNC_DDBACKUP, "User Icon Upload", "User Icon Upload", 'U',
     "Upload user icon data\nUser Icon Upload"},
    {ID_BUTTON_FUNC_DDRESTORE, "User Icon Download", "User Icon Download", 'N',
     "Download user icon data\nUser Icon Download"},
}};

// The part of a prompt before its line break: the tooltip text.
std::string PromptDescription(const char* prompt);

// The function index of command `id`, or -1 when it is not a function command.
int FunctionIndexOfCommand(int id);

// Key tips of the tab row.
constexpr char kAppButtonKeyTip = 'F';
constexpr char kHomeTabKeyTip = 'H';
constexpr char kAboutKeyTip = 'A';

}  // namespace vanto
