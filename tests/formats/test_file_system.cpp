// The real file system: inputs that cannot block, and writers that replace a file only when
// committed, with the permissions, names, links and leftovers a careful writer gets right.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <climits>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "formats/posix_file_system.h"
#include "formats/temp_files.h"

namespace vanto {
namespace {

namespace fs = std::filesystem;

class FileSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string templ = (fs::temp_directory_path() / "vanto-fs-XXXXXX").string();
        ASSERT_NE(::mkdtemp(templ.data()), nullptr);
        dir = templ;
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string Path(const std::string& name) const { return (dir / name).string(); }
    static void Put(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string Get(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // The names in a folder.
    static std::vector<std::string> Names(const fs::path& folder) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    bool Write(const std::string& path, const std::string& text, FileError* error = nullptr) {
        const std::span<const std::uint8_t> bytes(
            reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
        return WriteWholeFile(real, path, {bytes}, error);
    }

    fs::path dir;
    PosixFileSystem real;
};

TEST_F(FileSystemTest, InputsThatAreNoRegularFilesAreRefusedWithoutBlocking) {
    ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
    fs::create_directory(Path("folder"));
    struct Case {
        std::string path;
        int code;
    };
    const Case cases[] = {{Path("fifo"), EINVAL},
                          {Path("folder"), EISDIR},
                          {Path("missing"), ENOENT},
                          {"/dev/null", EINVAL}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        FileError error;
        EXPECT_EQ(real.OpenRead(c.path, &error), nullptr);
        EXPECT_EQ(error.code, c.code);
        EXPECT_EQ(error.path, c.path);
    }
}

TEST_F(FileSystemTest, NewFilesFollowTheUmaskAndReplacedOnesKeepTheirMode) {
    const mode_t before = ::umask(077);
    EXPECT_TRUE(Write(Path("new"), "a"));
    ::umask(022);
    Put(Path("old"), "old");
    fs::permissions(Path("old"), fs::perms::owner_read | fs::perms::owner_write |
                                     fs::perms::group_read);  // 0640
    EXPECT_TRUE(Write(Path("old"), "new"));
    ::umask(before);
    EXPECT_EQ(fs::status(Path("new")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(Path("old")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(Get(Path("old")), "new");
    EXPECT_EQ(Names(dir), (std::vector<std::string>{"new", "old"}));
}

TEST_F(FileSystemTest, LongNamesAndLinksAreWrittenWhereTheyPoint) {
    const std::string longName(254, 'n');
    EXPECT_TRUE(Write(Path(longName), "long"));
    EXPECT_EQ(Get(Path(longName)), "long");

    // Through a link to a file in another folder, and through a dangling one.
    fs::create_directory(Path("real"));
    Put(Path("real/target"), "old");
    fs::create_symlink("real/target", Path("link"));
    fs::create_symlink(Path("real/created"), Path("dangling"));
    EXPECT_TRUE(Write(Path("link"), "through"));
    EXPECT_TRUE(Write(Path("dangling"), "made"));
    EXPECT_TRUE(fs::is_symlink(Path("link")));
    EXPECT_TRUE(fs::is_symlink(Path("dangling")));
    EXPECT_EQ(Get(Path("real/target")), "through");
    EXPECT_EQ(Get(Path("real/created")), "made");
    EXPECT_EQ(Names(Path("real")), (std::vector<std::string>{"created", "target"}));
    EXPECT_EQ(Names(dir), (std::vector<std::string>{"dangling", "link", longName, "real"}));
}

TEST_F(FileSystemTest, AbandonedWritersLeaveTheTargetAndOnlyAPartialWhenAsked) {
    Put(Path("t"), "old");
    const std::uint8_t byte = 'x';
    for (const bool keepPartial : {false, true}) {
        WriteOptions options;
        options.keepPartial = keepPartial;
        auto writer = real.CreateWriter(Path("t"), options, nullptr);
        ASSERT_NE(writer, nullptr);
        ASSERT_TRUE(writer->WriteAt(0, &byte, 1));
        EXPECT_EQ(writer->KeptPath(), keepPartial ? Path("t.partial") : "");
    }
    EXPECT_EQ(Get(Path("t")), "old");
    EXPECT_EQ(Get(Path("t.partial")), "x");
    EXPECT_EQ(Names(dir), (std::vector<std::string>{"t", "t.partial"}));
    // A committed partial writer replaces the target and leaves no partial.
    WriteOptions options;
    options.keepPartial = true;
    auto writer = real.CreateWriter(Path("t"), options, nullptr);
    ASSERT_TRUE(writer->WriteAt(0, &byte, 1) && writer->Commit());
    EXPECT_EQ(Names(dir), (std::vector<std::string>{"t"}));

    // Two long names that differ only past the room a partial name has keep partials of their
    // own, each within NAME_MAX.
    const std::string a = std::string(250, 'n') + "-a";
    const std::string b = std::string(250, 'n') + "-b";
    auto first = real.CreateWriter(Path(a), options, nullptr);
    auto second = real.CreateWriter(Path(b), options, nullptr);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first->KeptPath(), second->KeptPath());
    EXPECT_LE(fs::path(first->KeptPath()).filename().string().size(), std::size_t{NAME_MAX});
    ASSERT_TRUE(first->WriteAt(0, &byte, 1) && second->WriteAt(0, &byte, 1));
    EXPECT_EQ(Get(first->KeptPath()), "x");
}

TEST_F(FileSystemTest, StaleTemporariesOfDeadRunsAreClearedOthersStay) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);
    // A temporary name of "t" made by another process: same name, another process id.
    const auto nameOf = [](pid_t pid) {
        std::string name = TempFileName("t");
        const std::string own = "-" + std::to_string(::getpid()) + "-";
        return name.replace(name.rfind(own), own.size(), "-" + std::to_string(pid) + "-");
    };
    const std::string dead = nameOf(child);
    const std::string live = nameOf(1);
    Put(Path(dead), "left by a killed run");
    Put(Path(live), "a running process's");
    Put(Path(".t.other"), "not ours");
    EXPECT_TRUE(Write(Path("t"), "new"));
    EXPECT_EQ(Names(dir), (std::vector<std::string>{".t.other", live, "t"}));
}

TEST_F(FileSystemTest, DevicesAreWrittenInPlaceAndOutputsCheckedWithoutCreating) {
    EXPECT_TRUE(Write("/dev/null", "gone"));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    FileError error;
    EXPECT_FALSE(Write("/dev/full", "full", &error));
    EXPECT_EQ(error.code, ENOSPC);

    fs::create_directory(Path("folder"));
    struct Case {
        std::string path;
        bool writable;
        int code;
    };
    const Case cases[] = {
        {Path("new.bin"), true, 0},
        {Path("no/such/new.bin"), false, ENOENT},
        {Path("folder"), false, EISDIR},
        {Path(std::string(256, 'n')), false, ENAMETOOLONG},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        FileError checked;
        EXPECT_EQ(real.CheckWritable(c.path, &checked), c.writable);
        EXPECT_EQ(checked.code, c.code);
    }
    EXPECT_EQ(OutputOpenCause(FileError{"x", ENOENT, {}}), kCauseBadPath);
    EXPECT_EQ(Names(dir), (std::vector<std::string>{"folder"}));
}

// A command killed while it writes leaves neither its temporary file nor a changed target.
TEST_F(FileSystemTest, TemporaryFilesGoWhenASignalEndsTheProcess) {
    Put(Path("t"), "old");
    const pid_t child = ::fork();
    if (child == 0) {
        RemoveTempFilesOnSignals();
        auto writer = real.CreateWriter(Path("t"), WriteOptions{}, nullptr);
        const std::uint8_t byte = 'x';
        if (!writer || !writer->WriteAt(0, &byte, 1)) {
            ::_exit(3);
        }
        ::raise(SIGTERM);
        ::_exit(4);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
    EXPECT_EQ(Names(dir), (std::vector<std::string>{"t"}));
    EXPECT_EQ(Get(Path("t")), "old");
}

}  // namespace
}  // namespace vanto
