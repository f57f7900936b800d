// The command line in-process: every command that writes a file, through a file system that
// fails the way real ones do, and the outputs it refuses.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "app/cli/commands.h"
#include "formats/posix_file_system.h"
#include "iconedit/icon_file.h"
#include "link/udev_rule.h"
#include "link/usb_id.h"
#include "tests/iconedit_qt/icon_edit_test_support.h"
#include "tests/pages/page_test_support.h"
#include "tools/faulty_file_system.h"

namespace vanto::cli {
namespace {

namespace fs = std::filesystem;

class CliTest : public ::testing::Test {
protected:
    int Run(FileSystem& files, const std::vector<std::string>& args) {
        out.str("");
        err.str("");
        CommandIo io{files, out, err};
        return RunCommand(args, io).value_or(-1);
    }
    int Run(const std::vector<std::string>& args) { return Run(DefaultFileSystem(), args); }
    std::string Path(const std::string& name) const { return dir.Path(name); }

    // An S-record file, a folder with one device icon, and a user icon file holding it.
    void MakeInputs() {
        const std::string s19 = test::MakeS19(test::MakeApplicationImage(4096, 3), 0x20000);
        test::WriteFile(Path("fw.s19"), ByteBuffer(s19.begin(), s19.end()));
        fs::create_directory(Path("pngs"));
        test::WriteFile(Path("pngs/device-01.png"), iconedit::test::FlatPng(120, 80, 4));
        ASSERT_EQ(Run({"icons", "pack", Path("pngs"), "-o", Path("set.vui")}), 0) << err.str();
    }

    test::TempDir dir;
    std::ostringstream out;
    std::ostringstream err;
};

// Every writer of the command line, every way a write fails: status 1, the older file whole (or
// no file where there was none), no temporary file left, and the error names the file and the
// system's reason.
TEST_F(CliTest, EveryWriterKeepsTheOlderFileAndSaysWhy) {
    ASSERT_NO_FATAL_FAILURE(MakeInputs());
    struct Writer {
        std::vector<std::string> args;
        std::string target;
        bool older;  // the target exists before
    };
    const Writer writers[] = {
        {{"image", Path("fw.s19"), "-o", Path("out.img")}, Path("out.img"), true},
        {{"icons", "pack", Path("pngs"), "-o", Path("out.vui")}, Path("out.vui"), true},
        {{"icons", "unpack", Path("set.vui"), Path("icons")}, Path("icons/device-01.png"), false},
    };
    const struct {
        FileFault fault;
        const char* reason;
    } faults[] = {
        {FileFault::kNoSpace, "No space left on device"},
        {FileFault::kPermissionDenied, "Permission denied"},
        {FileFault::kRenameFailed, "Invalid cross-device link"},
        {FileFault::kSyncFailed, "Input/output error"},
    };
    const ByteBuffer older = test::Pattern(50, 1);
    for (const Writer& w : writers) {
        for (const auto& f : faults) {
            SCOPED_TRACE(w.args[0] + " " + w.args[1] + ": " + f.reason);
            fs::remove_all(Path("icons"));
            if (w.older) {
                test::WriteFile(w.target, older);
            }
            FaultyFileSystem faulty(f.fault, 10);
            EXPECT_EQ(Run(faulty, w.args), 1) << out.str();
            EXPECT_NE(err.str().find(w.target + ": " + f.reason), std::string::npos) << err.str();
            EXPECT_EQ(fs::exists(w.target), w.older);
            if (w.older) {
                EXPECT_EQ(test::ReadFile(w.target), older);
            }
            for (const auto& entry : fs::recursive_directory_iterator(dir.Path(""))) {
                EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
            }
        }
        FaultyFileSystem sound(FileFault::kNone);
        EXPECT_EQ(Run(sound, w.args), 0) << err.str();
        EXPECT_NE(test::ReadFile(w.target), older);
    }
}

TEST_F(CliTest, OutputsThatWouldLoseDataAreRefused) {
    ASSERT_NO_FATAL_FAILURE(MakeInputs());
    // The image over its own source, by name and through a link.
    const ByteBuffer source = test::ReadFile(Path("fw.s19"));
    fs::create_symlink(Path("fw.s19"), Path("link.img"));
    for (const std::string& output : {Path("fw.s19"), Path("link.img")}) {
        EXPECT_EQ(Run({"image", Path("fw.s19"), "-o", output}), 1);
        EXPECT_NE(err.str().find("is the input file"), std::string::npos) << err.str();
        EXPECT_EQ(test::ReadFile(Path("fw.s19")), source);
    }

    // Unpacking into a folder that holds icon files: refused, unless --force, which removes the
    // icon files of every name first and leaves other files.
    fs::create_directory(Path("icons"));
    test::WriteFile(Path("icons/key-25.png"), test::Pattern(10, 2));
    test::WriteFile(Path("icons/notes.txt"), test::Pattern(10, 3));
    EXPECT_EQ(Run({"icons", "unpack", Path("set.vui"), Path("icons")}), 1);
    EXPECT_NE(err.str().find("already holds icon files"), std::string::npos) << err.str();
    EXPECT_FALSE(fs::exists(Path("icons/device-01.png")));
    EXPECT_EQ(Run({"icons", "unpack", Path("set.vui"), Path("icons"), "--force"}), 0) << err.str();
    EXPECT_FALSE(fs::exists(Path("icons/key-25.png")));
    EXPECT_TRUE(fs::exists(Path("icons/notes.txt")));
    EXPECT_TRUE(fs::exists(Path("icons/devsel-01.png")));
}

// One parser for every command: the same rules, texts and statuses.
// Writes for one path land at another: the system's udev rule file in a test folder.
class RedirectingFileSystem final : public ForwardingFileSystem {
public:
    RedirectingFileSystem(std::string from, std::string to)
        : ForwardingFileSystem(DefaultFileSystem()), m_from(std::move(from)), m_to(std::move(to)) {}
    std::unique_ptr<FileWriter> CreateWriter(const std::string& path, const WriteOptions& options,
                                             FileError* error) override {
        return m_inner.CreateWriter(path == m_from ? m_to : path, options, error);
    }

private:
    std::string m_from;
    std::string m_to;
};

// The privileged step behind "Allow access...": only one id, written as exactly the rule that
// --print-udev-rules prints, into the program's own rule file through the one file writer; when
// udev cannot be told (no udevadm here) it says so and fails.
TEST_F(CliTest, InstallUdevRuleWritesOnlyThatOneRule) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "the step runs as root only";
    }
    RedirectingFileSystem files(kUdevRulePath, Path("rule"));
    EXPECT_EQ(Run(files, {"--install-udev-rule", "1a2b:3c4d,5:6"}), kExitUsage);
    EXPECT_EQ(Run(files, {"--install-udev-rule", "1a2b"}), kExitUsage);
    EXPECT_FALSE(fs::exists(Path("rule")));
    const int status = Run(files, {"--install-udev-rule", "1a2b:3c4d"});
    const std::string rule = MakeUdevRules({UsbId{0x1a2b, 0x3c4d}});
    EXPECT_EQ(test::ReadFile(Path("rule")), ByteBuffer(rule.begin(), rule.end()));
    if (status != kExitOk) {
        EXPECT_EQ(status, kExitRefused);
        EXPECT_NE(err.str().find("udev could not be told"), std::string::npos) << err.str();
    }
}

TEST_F(CliTest, UsageErrorsAndHelpOfEveryCommand) {
    const std::vector<std::vector<std::string>> usageErrors = {
        {"image", "a.s19"},
        {"image", "a.s19", "-o"},
        {"image", "a.s19", "b.s19", "-o", "x"},
        {"info"},
        {"info", "--all", "x"},
        {"icons", "unpack", "x.vui"},
        {"icons", "pack", "dir"},
        {"icons", "repack", "dir"},
        {"serve", "--file", "x"},
        {"serve", "--function", "db-download", "--file", "x", "--once=yes"},
        {"--print-udev-rules"},
        {"frobnicate"},
    };
    for (const auto& args : usageErrors) {
        SCOPED_TRACE(args[0] + (args.size() > 1 ? " " + args[1] : ""));
        EXPECT_EQ(Run(args), kExitUsage);
        EXPECT_NE(err.str().find("Usage: vanto-remote-manager"), std::string::npos) << err.str();
        EXPECT_TRUE(out.str().empty());
    }
    for (const CommandDescription& desc : Commands()) {
        std::vector<std::string> args;
        std::istringstream words(desc.name);
        for (std::string word; words >> word;) {
            args.push_back(word);
        }
        args.push_back("--help");
        EXPECT_EQ(Run(args), kExitOk) << desc.name;
        EXPECT_EQ(out.str(), CommandHelp(desc));
    }
    EXPECT_EQ(Run({"--help"}), kExitOk);
    EXPECT_EQ(out.str(), OverviewHelp());
    // The window's own options start the window.
    CommandIo io{DefaultFileSystem(), out, err};
    EXPECT_FALSE(RunCommand({"--link", "tty:/dev/null"}, io).has_value());
    EXPECT_FALSE(RunCommand({}, io).has_value());
}

}  // namespace
}  // namespace vanto::cli
