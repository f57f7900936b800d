// The parts of `serve` that decide on their own: the argument rules, when --once is done and
// whether it went well, the trace format and what a headless form prints.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/serve/frame_trace.h"
#include "app/serve/headless_form.h"
#include "app/serve/once_watcher.h"
#include "app/serve/serve_options.h"

namespace vanto::serve {
namespace {

TEST(ServeOptions, ParsesEveryOptionAndRefusesWhatDoesNotFit) {
    ServeOptions o;
    std::string error;
    ASSERT_TRUE(ParseServeOptions(
        {"--function", "userdata-download", "--file", "a.odf", "--mode", "one-device", "--link",
         "usb:1a2b:3c4d", "--usb", "5:6", "--once", "--yes", "--trace"},
        o, error))
        << error;
    EXPECT_EQ(o.function, FUNC_USERDATA_DOWNLOAD);
    EXPECT_EQ(o.file, "a.odf");
    EXPECT_EQ(o.mode, 1);
    EXPECT_TRUE(o.once && o.yes && o.trace);
    ASSERT_EQ(o.link.usbIds.size(), 2u);
    EXPECT_EQ(o.link.usbIds[1], (UsbId{5, 6}));

    ASSERT_TRUE(ParseServeOptions(
        {"--function", "icon-upload", "--file", "i.vui", "--link", "tty:/dev/ttyUSB0"}, o, error));
    EXPECT_EQ(o.link.kind, LinkOption::Kind::kTty);
    EXPECT_EQ(o.mode, -1);
    EXPECT_FALSE(o.once);

    const std::vector<std::vector<std::string>> bad = {
        {"--function", "db-download"},                            // no file
        {"--file", "x", "--link", "tty:/t"},                      // no function
        {"--function", "db", "--file", "x", "--link", "tty:/t"},  // unknown function
        {"--function", "db-download", "--file", "x", "--link", "tty:/t", "--mode", "one-device"},
        {"--function", "userdata-upload", "--file", "x", "--mode", "all", "--link", "tty:/t"},
        {"--function", "db-download", "--file", "x", "--usb", "1:2", "--link", "tty:/t"},
        {"--function", "db-download", "--file", "x", "--usb", "1:2:3"},
        {"--function", "db-download", "--file", "x", "--link", "tty:/t", "--fast"},
        {"--function", "db-download", "--file"},
    };
    for (const auto& args : bad) {
        error.clear();
        EXPECT_FALSE(ParseServeOptions(args, o, error)) << args.back();
        EXPECT_FALSE(error.empty());
    }
}

struct OnceCase {
    const char* name;
    std::vector<std::string> lines;  // "box" stands for a message box
    bool done;
    bool ok;
    bool endsWell;  // as it stands, also before the return to idle (a signal may come then)
};

TEST(OnceWatcher, EndsAfterTheFirstAcceptedExchangeReturnsToIdle) {
    const std::vector<OnceCase> cases = {
        {"download",
         {"Database Ready!", "Communication started...", "Head Information Send",
          " 50% PROCESSING...", "DOWNLOAD COMPLETED.", "End of Communication",
          "Waiting for request..."},
         true,
         true,
         true},
        {"refusals do not end it",
         {"Invalid Request!", "The file is not ready!", "Waiting for request..."},
         false,
         false,
         false},
        {"timeout",
         {"Communication started...", "Communication Timeout!", "Waiting for request..."},
         true,
         false,
         false},
        {"corrupted upload",
         {"Communication started...", "End of Communication", "box", "Waiting for request..."},
         true,
         false,
         false},
        {"box before the exchange",
         {"box", "Communication started...", "End of Communication", "Waiting for request..."},
         true,
         true,
         true},
        {"restarted exchange",
         {"Communication started...", "NAK Transfer...", "Communication started...",
          "End of Communication", "Waiting for request..."},
         true,
         true,
         true},
        {"still running", {"Communication started...", "End of Communication"}, false, false, true},
        {"line feed",
         {"Communication started...\n", "End of Communication\n", "Waiting for request...\n"},
         true,
         true,
         true},
        {"corrupted, not yet idle",
         {"Communication started...", "End of Communication", "box"},
         false,
         false,
         false},
    };
    for (const OnceCase& c : cases) {
        OnceWatcher w;
        for (const std::string& line : c.lines) {
            if (line == "box") {
                w.OnBox();
            } else {
                w.OnLine(line);
            }
        }
        EXPECT_EQ(w.Done(), c.done) << c.name;
        EXPECT_EQ(w.Succeeded(), c.ok) << c.name;
        EXPECT_EQ(w.EndsWell(), c.endsWell) << c.name;
    }
    // Nothing after the end changes the verdict.
    OnceWatcher w;
    for (const char* line : {"Communication started...", "End of Communication",
                             "Waiting for request...", "Communication started..."}) {
        w.OnLine(line);
    }
    EXPECT_TRUE(w.Succeeded());
}

TEST(FrameTrace, PrintsTimeDirectionAndUpperCaseHexAndEveryDrop) {
    const std::uint8_t frame[] = {0x0F, 0x31, 0x50, 0x0E, 0x5E};
    EXPECT_EQ(FormatTraceLine(1234, false, frame, 5), "trace: 1234 ms RC>PC 0F 31 50 0E 5E");
    EXPECT_EQ(FormatTraceLine(0, true, frame, 1), "trace: 0 ms PC>RC 0F");
    EXPECT_EQ(FormatDropLine(7, DropSite::kOutgoing, 3, 24),
              "trace: 7 ms dropped 3 frames (24 bytes) waiting for the link");
    EXPECT_EQ(FormatDropLine(8, DropSite::kIncoming, 0, 4096),
              "trace: 8 ms dropped 4096 received bytes waiting for the engine");
    EXPECT_EQ(FormatDropLine(9, DropSite::kHeld, 0, 5),
              "trace: 9 ms dropped 5 received bytes held while the engine was busy");
}

TEST(HeadlessForm, PrintsOnlyTheLineOfTheShownModeAndAnswersTheQuestion) {
    std::vector<std::string> lines, boxes;
    HeadlessForm form([&](const std::string& t) { lines.push_back(t); },
                      [&](const std::string& t) { boxes.push_back(t); }, false);
    form.SetMessageLine(0, "Select the user data to save.");
    form.SetMessageLine(1, "Select the device data to save.");
    EXPECT_EQ(lines, std::vector<std::string>{"Select the user data to save."});
    form.ShowMode(1);  // the other line comes into view
    form.SetMessageLine(0, "hidden");
    EXPECT_EQ(lines.back(), "Select the device data to save.");
    EXPECT_EQ(lines.size(), 2u);
    EXPECT_FALSE(form.AskOkCancel("File already exists! overwrite?"));
    form.ShowMessageBox("Invalid!");
    EXPECT_EQ(boxes,
              (std::vector<std::string>{"File already exists! overwrite? [Cancel]", "Invalid!"}));
    HeadlessForm yes({}, {}, true);
    EXPECT_TRUE(yes.AskOkCancel("File already exists! overwrite?"));
}

}  // namespace
}  // namespace vanto::serve
