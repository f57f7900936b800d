// `icons pack`: the editor's rules over a folder, and the round trip with `icons unpack`.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "app/cli/commands.h"
#include "app/iconedit/qimage_codec.h"
#include "formats/posix_file_system.h"
#include "icon_edit_test_support.h"
#include "iconedit/icon_edit_pack.h"

namespace vanto::iconedit {
namespace {

class IconsPack : public ::testing::Test {
protected:
    // `icons pack ARGS` through the command line's own parser.
    int Pack(const std::vector<std::string>& args) { return Cli("pack", args); }
    int Cli(const std::string& command, const std::vector<std::string>& args) {
        out.str("");
        err.str("");
        std::vector<std::string> words = {"icons", command};
        words.insert(words.end(), args.begin(), args.end());
        cli::CommandIo io{DefaultFileSystem(), out, err};
        return cli::RunCommand(words, io).value_or(-1);
    }
    void Put(IconKind kind, int index, const std::vector<std::uint8_t>& bytes) {
        dir.Write("in/" + IconFileNameOf(kind, index), bytes);
    }
    void SetUp() override { std::filesystem::create_directories(dir.Path() / "in"); }

    test::TempDir dir;
    gui::QImageCodec codec;
    test::FixedRandom random;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(IconsPack, FullSetRoundTripsThroughUnpack) {
    // 65 distinct pictures, each a different size of PNG.
    std::map<std::string, std::vector<std::uint8_t>> files;
    for (IconKind kind : {ICON_DEVICE, ICON_DEVSEL, ICON_KEY}) {
        for (int i = 0; i < IconSlotCount(kind); ++i) {
            const int w = kind == ICON_DEVSEL ? 60 : 120;
            const int h = kind == ICON_DEVICE ? 80 : 60;
            auto png = test::PaddedPng(w, h, 300 + 40 * i + kind);
            files[IconFileNameOf(kind, i)] = png;
            Put(kind, i, png);
        }
    }
    const std::string vui = dir.File("set.vui");
    ASSERT_EQ(Pack({dir.File("in"), "-o", vui}), 0) << err.str();
    ASSERT_EQ(std::filesystem::file_size(vui), 1049152u);

    const std::string unpacked = dir.File("out");
    ASSERT_EQ(Cli("unpack", {vui, unpacked}), 0) << err.str();
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(unpacked)) {
        const std::string name = entry.path().filename().string();
        ASSERT_TRUE(files.count(name)) << name;
        EXPECT_EQ(test::ReadAll(entry.path().string()), files[name]) << name;
        ++count;
    }
    EXPECT_EQ(count, 65u);
}

TEST_F(IconsPack, MissingSelectionIconIsMadeFromTheDeviceIcon) {
    Put(ICON_DEVICE, 0, test::FlatPng(120, 80, 1));
    Put(ICON_DEVICE, 1, test::FlatPng(120, 80, 2));
    const auto own = test::FlatPng(60, 60, 3);
    Put(ICON_DEVSEL, 1, own);
    const std::string vui = dir.File("set.vui");
    ASSERT_EQ(Pack({dir.File("in"), "-o", vui}), 0) << err.str();
    EXPECT_EQ(out.str(), vui + ": 2 devices with their icons, 0 key icons\n");

    IconFile read;
    ASSERT_FALSE(read.ReadIconFile(DefaultFileSystem(), vui));
    const auto made = codec.Decode(read.IconBytes(ICON_DEVSEL, 0));
    ASSERT_TRUE(made);
    EXPECT_EQ(made->width, 60);
    EXPECT_EQ(test::SpanBytes(read.IconBytes(ICON_DEVSEL, 1)), own);
}

TEST_F(IconsPack, RefusalsWriteNothing) {
    struct Case {
        std::string name;
        std::vector<std::uint8_t> bytes;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"key-03.png", test::FlatPng(120, 80, 1),
         "key-03.png: Invalid key icon!\nSelected image size: 120x80\nPlease select 120x60 "
         "image.\n"},
        {"device-02.png", test::PaddedPng(120, 80, 20477),
         "device-02.png: Invalid file size!\nSelected file size: 20477 bytes.\nPlease select file "
         "less than 20480 bytes.\n"},
        {"devsel-04.png", test::FlatPng(60, 60, 1),
         "There is no device icon or device selection icon on device 4!\n"},
        {"key-26.png", test::FlatPng(120, 60, 1), "key-26.png: not an icon name"},
        {"device-1.png", test::FlatPng(120, 80, 1), "device-1.png: not an icon name"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir one;
        one.Write(c.name, c.bytes);
        const std::string vui = dir.File("refused.vui");
        EXPECT_EQ(Pack({one.Path().string(), "-o", vui}), 1);
        EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
        EXPECT_FALSE(std::filesystem::exists(vui));
    }
}

TEST_F(IconsPack, FromKeepsTheFilesIconsAndHeader) {
    Put(ICON_KEY, 4, test::FlatPng(120, 60, 1));
    Put(ICON_DEVICE, 7, test::FlatPng(120, 80, 2));
    const std::string first = dir.File("first.vui");
    ASSERT_EQ(Pack({dir.File("in"), "-o", first}), 0) << err.str();
    // A header byte that saving does not write must survive.
    auto bytes = test::ReadAll(first);
    bytes[100] = 0x5A;
    dir.Write("first.vui", bytes);

    test::TempDir more;
    const auto key = test::FlatPng(120, 60, 9);
    more.Write("key-05.png", key);
    more.Write("key-25.png", key);
    const std::string second = dir.File("second.vui");
    ASSERT_EQ(Pack({more.Path().string(), "-o", second, "--from", first}), 0) << err.str();
    const auto written = test::ReadAll(second);
    EXPECT_EQ(written[100], 0x5A);
    IconFile read;
    ASSERT_FALSE(read.ReadIconFile(DefaultFileSystem(), second));
    EXPECT_TRUE(read.HasIcon(ICON_DEVICE, 7));
    EXPECT_TRUE(read.HasIcon(ICON_DEVSEL, 7));
    EXPECT_EQ(test::SpanBytes(read.IconBytes(ICON_KEY, 4)), key);
    EXPECT_EQ(test::SpanBytes(read.IconBytes(ICON_KEY, 24)), key);

    // A --from file that is refused stops the pack.
    dir.Write("bad.vui", std::vector<std::uint8_t>(10, 0));
    EXPECT_EQ(
        Pack({more.Path().string(), "-o", dir.File("third.vui"), "--from", dir.File("bad.vui")}),
        1);
    EXPECT_NE(err.str().find("Invalid user icon file!"), std::string::npos);
}

TEST_F(IconsPack, UsageErrors) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{},
                                               {"dir"},
                                               {"dir", "-o"},
                                               {"-o", "x.vui"},
                                               {"a", "b", "-o", "x.vui"},
                                               {"dir", "-o", "x.vui", "--from"},
                                               {"dir", "-o", "x.vui", "--bogus"}}) {
        EXPECT_EQ(Pack(args), 2);
    }
    EXPECT_EQ(Pack({dir.File("no-such-dir"), "-o", dir.File("x.vui")}), 1);
}

}  // namespace
}  // namespace vanto::iconedit
