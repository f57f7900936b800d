// Entry point: a sub-command runs without a window; no arguments, or the window's own options,
// start the window.
#include <iostream>
#include <string>
#include <vector>

#include "app/cli/commands.h"
#include "app/gui/run_window.h"
#include "formats/posix_file_system.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    vanto::cli::CommandIo io{vanto::DefaultFileSystem(), std::cout, std::cerr};
    if (const std::optional<int> status = vanto::cli::RunCommand(args, io)) {
        std::cout.flush();
        return *status;
    }
    return vanto::gui::RunWindow(argc, argv);
}
