// Round trips through the built program: image, info and icons unpack on files made here, and
// inputs that are FIFOs, which must never hang a command.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "formats/image_header.h"
#include "formats/posix_file_system.h"
#include "formats/srecord.h"
#include "iconedit/icon_file.h"

namespace vanto {
namespace {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Dir() {
    static const std::string dir = [] {
        std::string d = ::testing::TempDir() + "cli_formats_" + std::to_string(::getpid());
        std::filesystem::create_directories(d);
        return d + "/";
    }();
    return dir;
}

// Removes the run's scratch folder once every test has finished.
class ScratchCleanup : public ::testing::Environment {
public:
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(Dir(), ec);
    }
};
const auto* const kCleanup = ::testing::AddGlobalTestEnvironment(
    std::make_unique<ScratchCleanup>().release());  // gtest takes ownership

// Runs the program with `args` (or, with `program` false, the command line `args` as it stands).
CliRun Cli(const std::string& args, bool program = true) {
    const std::string out = Dir() + "stdout.txt";
    const std::string err = Dir() + "stderr.txt";
    const std::string cmd = (program ? std::string("'") + VANTO_CLI_PATH + "' " : std::string()) +
                            args + " >'" + out + "' 2>'" + err + "'";
    const int raw = std::system(cmd.c_str());
    CliRun r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = Slurp(out);
    r.err = Slurp(err);
    return r;
}

std::string Hex2(unsigned v) {
    char b[3];
    std::snprintf(b, sizeof b, "%02X", v & 0xFF);
    return b;
}

// A small application as S-records: 2 KiB with the tags and magic the records supply.
std::string SampleS19() {
    std::vector<std::uint8_t> d(2048);
    for (std::size_t i = 0; i < d.size(); ++i)
        d[i] = static_cast<std::uint8_t>(i * 13);
    std::memcpy(d.data() + 224, "13CR", 4);
    std::memcpy(d.data() + 500, "RC31", 4);
    WriteLe32(d.data() + 576, kApplicationMagic);
    std::string s = "S0030000FC\n";
    for (std::size_t i = 0; i < d.size(); i += 32) {
        const std::uint32_t a = 0x00200000 + static_cast<std::uint32_t>(i);
        std::string line = "S3" + Hex2(37) + Hex2(a >> 24) + Hex2(a >> 16) + Hex2(a >> 8) + Hex2(a);
        for (std::size_t j = 0; j < 32; ++j)
            line += Hex2(d[i + j]);
        s += line + "00\n";
    }
    return s + "S70500200000DA\n";
}

void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

TEST(CliFormats, ImageWritesTheCheckedImage) {
    const std::string in = Dir() + "fw.s19";
    const std::string out = Dir() + "fw.img";
    Write(in, SampleS19());
    CliRun r = Cli("image '" + in + "' -o '" + out + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    const ApplicationLoad expected = LoadApplicationImage(DefaultFileSystem(), in);
    ASSERT_TRUE(expected.valid);
    const std::string got = Slurp(out);
    EXPECT_EQ(got, std::string(expected.image.begin(), expected.image.end()));

    r = Cli("info '" + out + "'");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("KindTag:      \"00VK\" (kind number 0)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Param1:       0x00200000"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("TotalLength:  2048 (real length 2048, equal)"), std::string::npos);
    EXPECT_NE(r.out.find("Passes:       the application image check"), std::string::npos);
}

TEST(CliFormats, ImageRefusalsShowThePageTexts) {
    const std::string s1 = Dir() + "s1.s19";
    Write(s1, "S1070100010203046E\n");
    CliRun r = Cli("image '" + s1 + "' -o '" + Dir() + "never.img'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "S19 File Format Error!\nInvalid Application!\n");
    EXPECT_FALSE(std::filesystem::exists(Dir() + "never.img"));

    r = Cli("image '" + Dir() + "missing.s19' -o '" + Dir() + "never.img'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "S19 File Open Error!\nInvalid Application!\n");

    const std::string txt = Dir() + "fw.txt";
    Write(txt, SampleS19());
    r = Cli("image '" + txt + "' -o '" + Dir() + "never.img'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Invalid Application!\n");

    EXPECT_EQ(Cli("image '" + s1 + "'").status, 2);
    EXPECT_EQ(Cli("image -o x").status, 2);
    EXPECT_EQ(Cli("info").status, 2);
}

TEST(CliFormats, InfoExplainsAFileThatPassesNoCheck) {
    const std::string junk = Dir() + "junk.bin";
    Write(junk, std::string(700, 'x'));
    CliRun r = Cli("info '" + junk + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("No check passes"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("database: the word at 576 is not 0x55AA4442"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("user data: KindTag is not \"09VK\""), std::string::npos) << r.err;
}

TEST(CliFormats, IconsUnpackWritesTheStoredPngBytes) {
    IconFile icons;
    std::vector<std::vector<std::uint8_t>> pngs;
    for (int i = 0; i < 3; ++i) {
        std::vector<std::uint8_t> png(100 + 50 * i);
        for (std::size_t j = 0; j < png.size(); ++j)
            png[j] = static_cast<std::uint8_t>(j * (i + 3));
        pngs.push_back(png);
    }
    icons.SetIcon(ICON_DEVICE, 0, pngs[0].data(), pngs[0].size());
    icons.SetIcon(ICON_DEVSEL, 0, pngs[1].data(), pngs[1].size());
    icons.SetIcon(ICON_KEY, 24, pngs[2].data(), pngs[2].size());
    ASSERT_EQ(icons.PrepareForSave(), 0);
    SystemRandomSource random;
    const std::string vui = Dir() + "set.vui";
    ASSERT_FALSE(icons.WriteIconFile(DefaultFileSystem(), vui, random).has_value());

    const std::string out = Dir() + "unpacked";
    CliRun r = Cli("icons unpack '" + vui + "' '" + out + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto asString = [](const std::vector<std::uint8_t>& v) {
        return std::string(v.begin(), v.end());
    };
    EXPECT_EQ(Slurp(out + "/device-01.png"), asString(pngs[0]));
    EXPECT_EQ(Slurp(out + "/devsel-01.png"), asString(pngs[1]));
    EXPECT_EQ(Slurp(out + "/key-25.png"), asString(pngs[2]));
    int files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(out))
        ++files;
    EXPECT_EQ(files, 3);

    r = Cli("info '" + vui + "'");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Passes:       the icon editor check"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Icons key:    25(200)"), std::string::npos) << r.out;

    std::string shorter = Slurp(vui);
    shorter.pop_back();
    Write(vui, shorter);
    r = Cli("icons unpack '" + vui + "' '" + out + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "Invalid user icon file!: The file size is incorrect. (It should be 1049152 bytes, "
              "but it's 1049151 bytes.)\n");

    EXPECT_EQ(Cli("icons").status, 2);
}

// A FIFO given as an input is refused at once with the command's open-error text; nothing waits
// for a writer that never comes.
TEST(CliFormats, FifoInputsAreRefusedWithoutBlocking) {
    const std::string fifo = Dir() + "fifo";
    const std::string fifoS19 = Dir() + "fifo.s19";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(fifoS19.c_str(), 0600), 0);
    std::filesystem::create_directories(Dir() + "pngs");
    ASSERT_EQ(::mkfifo((Dir() + "pngs/device-01.png").c_str(), 0600), 0);
    struct Case {
        std::string args;
        const char* text;  // on stdout or stderr
    };
    const Case cases[] = {
        {"image '" + fifoS19 + "' -o '" + Dir() + "never.img'", "S19 File Open Error!"},
        {"info '" + fifo + "'", "not a regular file"},
        {"info '" + fifoS19 + "'", "S19 File Open Error!"},
        {"icons unpack '" + fifo + "' '" + Dir() + "never'", "not a regular file"},
        {"icons pack '" + Dir() + "pngs' -o '" + Dir() + "never.vui'", "not a regular file"},
        {"serve --function db-download --file '" + fifo + "' --once --link tty:" + Dir() +
             "no-remote",
         "Select Database!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const CliRun r = Cli("timeout 10 '" + std::string(VANTO_CLI_PATH) + "' " + c.args, false);
        EXPECT_EQ(r.status, 1) << r.out << r.err;
        EXPECT_NE((r.out + r.err).find(c.text), std::string::npos) << r.out << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(Dir() + "never.img"));
    EXPECT_FALSE(std::filesystem::exists(Dir() + "never.vui"));
}

}  // namespace
}  // namespace vanto
