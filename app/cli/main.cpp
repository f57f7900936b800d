// Entry point: a sub-command runs without a window; no arguments start the window.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/cli/commands.h"
#include "app/core/product_title.h"
#include "app/gui/run_window.h"

namespace vanto::cli {

void PrintUsage(bool toStderr) {
    std::FILE* out = toStderr ? stderr : stdout;
    std::fprintf(
        out,
        "Usage: vanto-remote-manager [--link usb|usb:VID:PID[,..]|tty:PATH] [--usb VID:PID[,..]]\n"
        "       vanto-remote-manager COMMAND [OPTIONS]\n"
        "\n"
        "Without a command the window starts; --link and --usb choose its link to the\n"
        "remote (usb by default: the remote chosen with \"Choose Remote...\", unless --usb\n"
        "names one for this run).\n"
        "\n"
        "Commands:\n"
        "  serve --function F --file PATH [--mode user-data|one-device]\n"
        "        [--link usb|usb:VID:PID|tty:PATH] [--usb VID:PID[,..]] [--once] [--yes]\n"
        "        [--trace]\n"
        "                         serve one function page without a window\n"
        "  devices                 list the USB devices that could be the remote\n"
        "  image IN.s19 -o OUT     convert and check an application image\n"
        "  info FILE               show a file's header and which check it passes\n"
        "  icons unpack FILE.vui DIR\n"
        "  icons pack DIR -o FILE.vui [--from FILE.vui]\n"
        "                         icon sets as device-NN.png, devsel-NN.png, key-NN.png\n"
        "  --print-udev-rules VID:PID\n"
        "                         print a udev rule that gives the desktop user the remote\n"
        "  --install-udev-rule VID:PID\n"
        "                         install that rule and reload udev (as root; the window's\n"
        "                         \"Allow access...\" runs it through pkexec)\n"
        "  --help                  this text\n"
        "  --version               the product name and version\n");
}

}  // namespace vanto::cli

int main(int argc, char** argv) {
    using namespace vanto::cli;
    if (argc < 2 || vanto::gui::IsWindowArgument(argv[1])) {
        return vanto::gui::RunWindow(argc, argv);
    }
    const std::string cmd = argv[1];
    const Args rest(argv + 2, argv + argc);
    if (cmd == "--help" || cmd == "-h") {
        PrintUsage(false);
        return kExitOk;
    }
    if (cmd == "--print-udev-rules") {
        return RunPrintUdevRules(rest);
    }
    if (cmd == "image")
        return RunImage(rest);
    if (cmd == "info")
        return RunInfo(rest);
    if (cmd == "icons")
        return RunIcons(rest);
    if (cmd == "serve")
        return RunServe(rest);
    if (cmd == "devices")
        return RunDevices(rest);
    if (cmd == "--install-udev-rule")
        return RunInstallUdevRule(rest);
    if (cmd == "--version") {
        std::printf("%s\n", vanto::BuildProductTitle().c_str());
        return kExitOk;
    }
    std::fprintf(stderr, "vanto-remote-manager: unknown command '%s'\n\n", cmd.c_str());
    PrintUsage(true);
    return kExitUsage;
}
