// The editor's logic driven through a scripted window, with the real QImage codec.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/iconedit/qimage_codec.h"
#include "formats/posix_file_system.h"
#include "icon_edit_test_support.h"
#include "iconedit/icon_edit_controller.h"
#include "iconedit/icon_edit_rules.h"
#include "tools/faulty_file_system.h"

namespace vanto::iconedit {
namespace {

using test::ScriptedUi;
using Shown = ScriptedUi::Shown;

class IconEditLogic : public ::testing::Test {
protected:
    // Opens the dialog; the start prompt answers `startFile` (nothing: cancelled).
    void Start(std::optional<std::string> startFile, const std::string& pagePath = "") {
        dialog.SetPath(pagePath);
        ui.openAnswers.push_back(std::move(startFile));
        dialog.OnInitDialog({0, 0, 450, 487}, 21);
    }
    CIconEditFormView& View() { return *dialog.View(); }

    // "Open" on a cell, choosing `path`.
    void OpenInto(int cellId, const std::string& path) {
        ui.menuAnswers.push_back(ID_ICON_OPEN);
        ui.openAnswers.push_back(path);
        View().OnIconCell(cellId);
    }
    void Choose(int cellId, IconMenuCommand command, std::optional<std::string> saveAs = {}) {
        ui.menuAnswers.push_back(command);
        if (saveAs) {
            ui.saveAnswers.push_back(saveAs);
        }
        View().OnIconCell(cellId);
    }
    std::string Png(const std::string& name, int width, int height, int shade = 1) {
        return dir.Write(name, test::FlatPng(width, height, shade));
    }
    // A user icon file holding a device icon pair and one key icon, written by the logic itself.
    std::string MakeIconFile() {
        ScriptedUi otherUi;
        IconEditController other(otherUi, codec, random);
        otherUi.openAnswers.push_back(std::nullopt);
        other.OnInitDialog({0, 0, 450, 487}, 21);
        otherUi.menuAnswers = {ID_ICON_OPEN, ID_ICON_OPEN};
        otherUi.openAnswers = {Png("d.png", 120, 80, 5), Png("k.png", 120, 60, 6)};
        other.View()->OnIconCell(CellId(ICON_DEVICE, 4));
        other.View()->OnIconCell(CellId(ICON_KEY, 9));
        const std::string path = dir.File("set.vui");
        otherUi.saveAnswers.push_back(path);
        EXPECT_TRUE(other.OnOK());
        return path;
    }

    test::TempDir dir;
    ScriptedUi ui;
    gui::QImageCodec codec;
    test::FixedRandom random;
    IconEditController dialog{ui, codec, random};
};

TEST_F(IconEditLogic, MenuGraysWhatCannotBeChosen) {
    Start(std::nullopt);
    const IconCell devsel = *CellFromId(CellId(ICON_DEVSEL, 6));
    const IconCell device = *CellFromId(CellId(ICON_DEVICE, 6));
    EXPECT_EQ(View().MenuStateFor(devsel), (IconMenuState{false, false, false}));
    EXPECT_EQ(View().MenuStateFor(device), (IconMenuState{true, false, false}));

    OpenInto(device.id, Png("d.png", 120, 80));
    EXPECT_EQ(View().MenuStateFor(device), (IconMenuState{true, true, true}));
    EXPECT_EQ(View().MenuStateFor(devsel), (IconMenuState{true, true, true}));

    // A grayed command chosen anyway does nothing.
    ui.menuAnswers.push_back(ID_ICON_DELETE);
    View().OnIconCell(CellId(ICON_KEY, 0));
    ui.menuAnswers.push_back(ID_ICON_OPEN);
    View().OnIconCell(CellId(ICON_DEVSEL, 7));
    EXPECT_EQ(ui.openPrompts.size(), 2u);  // the start prompt and the one "Open" above

    // Ids that are no cell are ignored.
    for (int id : {4095, 4116, 4351, 4372, 4633, 8192, 65535}) {
        View().OnIconCell(id);
    }
    EXPECT_EQ(ui.menus.size(), 3u);
}

TEST_F(IconEditLogic, FileSizeLimitPerKind) {
    Start(std::nullopt);
    struct Case {
        IconKind kind;
        int width;
        int height;
        std::size_t slotSize;
    };
    for (const Case& c : {Case{ICON_DEVICE, 120, 80, 20480}, Case{ICON_DEVSEL, 60, 60, 10240},
                          Case{ICON_KEY, 120, 60, 16384}}) {
        SCOPED_TRACE(c.kind);
        if (c.kind == ICON_DEVSEL) {
            OpenInto(CellId(ICON_DEVICE, 2), Png("dev.png", 120, 80));
        }
        const int id = CellId(c.kind, 2);
        const auto fits = test::PaddedPng(c.width, c.height, c.slotSize - 4);
        ASSERT_EQ(fits.size(), c.slotSize - 4);
        OpenInto(id, dir.Write("fits.png", fits));
        ASSERT_TRUE(ui.warnings.empty()) << ui.warnings.front().text;
        EXPECT_EQ(test::SpanBytes(View().Icons().IconBytes(c.kind, 2)), fits);

        const auto tooLarge = test::PaddedPng(c.width, c.height, c.slotSize - 3);
        OpenInto(id, dir.Write("large.png", tooLarge));
        ASSERT_EQ(ui.warnings.size(), 1u);
        EXPECT_EQ(ui.warnings[0].text, "Selected file size: " + std::to_string(c.slotSize - 3) +
                                           " bytes.\nPlease select file less than " +
                                           std::to_string(c.slotSize) + " bytes.");
        EXPECT_EQ(ui.warnings[0].caption, "Invalid file size!");
        EXPECT_EQ(test::SpanBytes(View().Icons().IconBytes(c.kind, 2)), fits);
        ui.warnings.clear();
    }
}

TEST_F(IconEditLogic, WrongPicturesAreRefusedAndTheCellKeepsItsIcon) {
    Start(std::nullopt);
    OpenInto(CellId(ICON_DEVICE, 0), Png("dev.png", 120, 80));
    struct Case {
        IconKind kind;
        std::vector<std::uint8_t> bytes;
        std::string text;
        std::string caption;
    };
    const std::vector<std::uint8_t> notAnImage = {'h', 'e', 'l', 'l', 'o', '\n'};
    const std::vector<Case> cases = {
        {ICON_KEY, notAnImage, "Selected image size: 0x0\nPlease select 120x60 image.",
         "Invalid key icon!"},
        {ICON_KEY, test::FlatPng(120, 80, 3),
         "Selected image size: 120x80\nPlease select 120x60 image.", "Invalid key icon!"},
        {ICON_DEVICE, test::FlatPng(60, 60, 3),
         "Selected image size: 60x60\nPlease select 120x80 image.", "Invalid device icon!"},
        {ICON_DEVICE,
         {},
         "Selected image size: 0x0\nPlease select 120x80 image.",
         "Invalid device icon!"},
        {ICON_DEVSEL, test::FlatPng(120, 60, 3),
         "Selected image size: 120x60\nPlease select 60x60 image.",
         "Invalid device selection icon!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const int id = CellId(c.kind, 0);
        if (c.kind == ICON_KEY) {
            OpenInto(id, Png("key.png", 120, 60, 8));
        }
        const auto before = test::SpanBytes(View().Icons().IconBytes(c.kind, 0));
        const ScriptedUi::Cell shownBefore = ui.cells[id];
        const int repaints = ui.repaints;
        ui.warnings.clear();

        OpenInto(id, dir.Write("bad.png", c.bytes));
        ASSERT_EQ(ui.warnings.size(), 1u);
        EXPECT_EQ(ui.warnings[0].text, c.text);
        EXPECT_EQ(ui.warnings[0].caption, c.caption);
        EXPECT_EQ(test::SpanBytes(View().Icons().IconBytes(c.kind, 0)), before);
        EXPECT_EQ(ui.cells[id].shown, shownBefore.shown);
        EXPECT_EQ(ui.repaints, repaints);
    }
}

TEST_F(IconEditLogic, DeviceIconFillsBothCellsAndReplacesTheSelectionIcon) {
    Start(std::nullopt);
    OpenInto(CellId(ICON_DEVICE, 3), Png("first.png", 120, 80, 1));
    OpenInto(CellId(ICON_DEVSEL, 3), Png("own.png", 60, 60, 2));
    const auto own = test::ReadAll(dir.File("own.png"));
    EXPECT_EQ(test::SpanBytes(View().Icons().IconBytes(ICON_DEVSEL, 3)), own);

    const auto device = test::ReadAll(Png("second.png", 120, 80, 200));
    OpenInto(CellId(ICON_DEVICE, 3), dir.File("second.png"));
    ASSERT_TRUE(ui.warnings.empty());
    EXPECT_EQ(test::SpanBytes(View().Icons().IconBytes(ICON_DEVICE, 3)), device);
    ASSERT_TRUE(View().Icons().HasIcon(ICON_DEVSEL, 3));
    EXPECT_NE(test::SpanBytes(View().Icons().IconBytes(ICON_DEVSEL, 3)), own);

    // The stored selection icon is a 60x60 PNG of the device icon's colour.
    const auto made = codec.Decode(View().Icons().IconBytes(ICON_DEVSEL, 3));
    ASSERT_TRUE(made);
    EXPECT_EQ(made->width, 60);
    EXPECT_EQ(made->height, 60);
    const auto source = codec.Decode(device);
    EXPECT_EQ(std::vector<std::uint8_t>(made->pixels.begin(), made->pixels.begin() + 4),
              std::vector<std::uint8_t>(source->pixels.begin(), source->pixels.begin() + 4));
    EXPECT_EQ(ui.cells[CellId(ICON_DEVICE, 3)].width, 120);
    EXPECT_EQ(ui.cells[CellId(ICON_DEVSEL, 3)].shown, Shown::Picture);
    EXPECT_EQ(ui.cells[CellId(ICON_DEVSEL, 3)].width, 60);
}

TEST_F(IconEditLogic, SelectionIconTooLargeLeavesTheSlotAndSaysSo) {
    Start(std::nullopt);
    OpenInto(CellId(ICON_DEVICE, 1), Png("calm.png", 120, 80, 4));
    const auto earlier = test::SpanBytes(View().Icons().IconBytes(ICON_DEVSEL, 1));
    ASSERT_FALSE(earlier.empty());

    const auto noisy = test::PairedNoisePng(7);
    ASSERT_LE(noisy.size(), 20476u);
    OpenInto(CellId(ICON_DEVICE, 1), dir.Write("noise.png", noisy));
    EXPECT_EQ(test::SpanBytes(View().Icons().IconBytes(ICON_DEVICE, 1)), noisy);
    EXPECT_EQ(test::SpanBytes(View().Icons().IconBytes(ICON_DEVSEL, 1)), earlier);
    ASSERT_EQ(ui.warnings.size(), 1u);
    EXPECT_EQ(ui.warnings[0].caption, "Invalid device selection icon!");
    EXPECT_NE(ui.warnings[0].text.find("device icon 2"), std::string::npos);
    EXPECT_NE(ui.warnings[0].text.find("10236"), std::string::npos);
}

TEST_F(IconEditLogic, DeleteDeviceIconEmptiesBothCells) {
    Start(std::nullopt);
    OpenInto(CellId(ICON_DEVICE, 19), Png("d.png", 120, 80));
    OpenInto(CellId(ICON_DEVICE, 18), Png("d2.png", 120, 80));
    Choose(CellId(ICON_DEVICE, 19), ID_ICON_DELETE);
    EXPECT_FALSE(View().Icons().HasIcon(ICON_DEVICE, 19));
    EXPECT_FALSE(View().Icons().HasIcon(ICON_DEVSEL, 19));
    EXPECT_EQ(ui.cells[CellId(ICON_DEVICE, 19)].shown, Shown::Empty);
    EXPECT_EQ(ui.cells[CellId(ICON_DEVSEL, 19)].shown, Shown::Empty);
    EXPECT_TRUE(View().Icons().HasIcon(ICON_DEVSEL, 18));
}

TEST_F(IconEditLogic, LoneDeletedSelectionIconStopsOk) {
    Start(std::nullopt, "page.vui");
    OpenInto(CellId(ICON_DEVICE, 2), Png("d3.png", 120, 80));
    OpenInto(CellId(ICON_DEVICE, 6), Png("d7.png", 120, 80));
    Choose(CellId(ICON_DEVSEL, 6), ID_ICON_DELETE);
    Choose(CellId(ICON_DEVSEL, 2), ID_ICON_DELETE);
    EXPECT_TRUE(View().Icons().HasIcon(ICON_DEVICE, 2));

    ui.saveAnswers.push_back(dir.File("out.vui"));
    EXPECT_FALSE(dialog.OnOK());
    ASSERT_EQ(ui.warnings.size(), 1u);
    EXPECT_EQ(ui.warnings[0].text, "There is no device icon or device selection icon on device 3!");
    EXPECT_EQ(ui.warnings[0].caption, "Invalid device icon!");
    EXPECT_TRUE(ui.savePrompts.empty());
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.vui")));
    EXPECT_FALSE(dialog.Result());

    // Putting the device icon back in mends the pair; the next fault is device 7.
    OpenInto(CellId(ICON_DEVICE, 2), dir.File("d3.png"));
    EXPECT_FALSE(dialog.OnOK());
    EXPECT_EQ(ui.warnings.back().text,
              "There is no device icon or device selection icon on device 7!");
}

TEST_F(IconEditLogic, EmptySetSavesAsValidFile) {
    Start(std::nullopt, "was-on-the-page.vui");
    EXPECT_EQ(ui.openPrompts[0].filter, "Vanto User Icon (*.vui)|*.vui||");
    EXPECT_EQ(ui.openPrompts[0].proposedName, "was-on-the-page.vui");
    EXPECT_EQ(dialog.GetPath(), "");
    for (const IconCell& cell : AllIconCells()) {
        EXPECT_EQ(ui.cells[cell.id].shown, Shown::Empty);
    }

    // A cancelled save prompt, or a file that cannot be written, keeps the dialog open.
    EXPECT_FALSE(dialog.OnOK());
    ui.saveAnswers.push_back(dir.File("no-such-dir/x.vui"));
    EXPECT_FALSE(dialog.OnOK());
    ASSERT_EQ(ui.warnings.size(), 1u);
    EXPECT_EQ(ui.warnings[0].caption, "User Icon Edit");
    EXPECT_EQ(dialog.GetPath(), "");
    EXPECT_FALSE(dialog.Result());
    const std::string out = dir.File("empty.vui");
    ui.saveAnswers.push_back(out);
    ASSERT_TRUE(dialog.OnOK());
    ASSERT_EQ(ui.savePrompts.size(), 3u);
    EXPECT_EQ(ui.savePrompts[2].filter, "Vanto User Icon(*.vui)|*.vui||");
    EXPECT_EQ(ui.savePrompts[2].proposedName, "");
    EXPECT_EQ(dialog.GetPath(), out);
    EXPECT_EQ(dialog.Result(), IDOK);

    IconFile read;
    ASSERT_FALSE(read.ReadIconFile(DefaultFileSystem(), out));
    EXPECT_EQ(std::filesystem::file_size(out), 1049152u);
    const auto& payload = read.Payload();
    EXPECT_EQ(ReadLe32(&payload[8]) + ReadLe32(&payload[12]) + ReadLe32(&payload[16]), 0u);
    for (IconKind kind : {ICON_DEVICE, ICON_DEVSEL, ICON_KEY}) {
        for (int i = 0; i < IconSlotCount(kind); ++i) {
            EXPECT_FALSE(read.HasIcon(kind, i));
        }
    }
}

// Both of the editor's writers (OK saving the set, "Save" exporting an icon) over older files,
// with every kind of failed write: the older file stays, the dialog stays open, and the warning
// names the file and the system's reason.
TEST_F(IconEditLogic, FailedWritesKeepTheOlderFileAndSayWhy) {
    const std::string png = Png("d.png", 120, 80, 5);
    const struct {
        FileFault fault;
        const char* reason;
    } cases[] = {
        {FileFault::kNoSpace, "No space left on device"},
        {FileFault::kPermissionDenied, "Permission denied"},
        {FileFault::kRenameFailed, "Invalid cross-device link"},
        {FileFault::kSyncFailed, "Input/output error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        FaultyFileSystem faulty(c.fault, 100);
        ScriptedUi faultyUi;
        IconEditController editor(faultyUi, codec, random, faulty);
        faultyUi.openAnswers = {std::nullopt, png};
        editor.OnInitDialog({0, 0, 450, 487}, 21);
        faultyUi.menuAnswers = {ID_ICON_OPEN};
        editor.View()->OnIconCell(CellId(ICON_DEVICE, 0));
        const std::vector<std::uint8_t> older = {1, 2, 3};
        const std::string set = dir.Write("older.vui", older);
        const std::string icon = dir.Write("older.png", older);

        faultyUi.saveAnswers = {set, icon};
        EXPECT_FALSE(editor.OnOK());
        faultyUi.menuAnswers = {ID_ICON_SAVE};
        editor.View()->OnIconCell(CellId(ICON_DEVICE, 0));
        EXPECT_FALSE(editor.Result());
        EXPECT_EQ(test::ReadAll(set), older);
        EXPECT_EQ(test::ReadAll(icon), older);
        ASSERT_EQ(faultyUi.warnings.size(), 2u);
        for (std::size_t i = 0; i < 2; ++i) {
            EXPECT_EQ(faultyUi.warnings[i].text,
                      "The file \"" + (i == 0 ? set : icon) + "\" could not be used.\n" + c.reason);
        }
    }
}

TEST_F(IconEditLogic, RefusedStartFileLeavesEmptySetAndIsProposedAtSave) {
    const std::string refused = dir.Write("short.vui", std::vector<std::uint8_t>(1049151, 0));
    Start(refused, "page.vui");
    ASSERT_EQ(ui.warnings.size(), 1u);
    EXPECT_EQ(ui.warnings[0].text,
              "The file size is incorrect. (It should be 1049152 bytes, but it's 1049151 bytes.)");
    EXPECT_EQ(ui.warnings[0].caption, "Invalid user icon file!");
    EXPECT_EQ(dialog.GetPath(), refused);
    for (const IconCell& cell : AllIconCells()) {
        EXPECT_FALSE(View().Icons().HasIcon(cell.kind, cell.index));
    }
    dialog.OnOK();
    ASSERT_EQ(ui.savePrompts.size(), 1u);
    EXPECT_EQ(ui.savePrompts[0].proposedName, refused);
}

TEST_F(IconEditLogic, LoadShowsIconsAndCancelWritesNothing) {
    const std::string file = MakeIconFile();
    const auto before = test::ReadAll(file);
    Start(file, "page.vui");
    EXPECT_EQ(ui.cells[CellId(ICON_DEVICE, 4)].shown, Shown::Picture);
    EXPECT_EQ(ui.cells[CellId(ICON_DEVSEL, 4)].height, 60);
    EXPECT_EQ(ui.cells[CellId(ICON_KEY, 9)].shown, Shown::Picture);
    EXPECT_EQ(ui.cells[CellId(ICON_KEY, 8)].shown, Shown::Empty);
    EXPECT_EQ(dialog.GetPath(), file);

    OpenInto(CellId(ICON_KEY, 0), Png("k0.png", 120, 60));
    Choose(CellId(ICON_DEVICE, 4), ID_ICON_DELETE);
    dialog.OnCancel();
    EXPECT_EQ(dialog.Result(), IDCANCEL);
    EXPECT_EQ(dialog.GetPath(), file);
    EXPECT_EQ(test::ReadAll(file), before);
    EXPECT_TRUE(ui.savePrompts.empty());
}

TEST_F(IconEditLogic, DamagedIconLoadsWithoutPicture) {
    IconFile set;
    const auto png = test::FlatPng(120, 60, 9);
    std::vector<std::uint8_t> damaged = png;
    damaged[20] ^= 0xFF;  // inside the header chunk, whose CRC then fails
    ASSERT_TRUE(set.SetIcon(ICON_KEY, 0, png.data(), png.size()));
    ASSERT_TRUE(set.SetIcon(ICON_KEY, 1, damaged.data(), damaged.size()));
    ASSERT_EQ(set.PrepareForSave(), 0);
    const std::string file = dir.File("damaged.vui");
    ASSERT_FALSE(set.WriteIconFile(DefaultFileSystem(), file, random));

    Start(file);
    EXPECT_EQ(ui.cells[CellId(ICON_KEY, 0)].shown, Shown::Picture);
    EXPECT_EQ(ui.cells[CellId(ICON_KEY, 1)].shown, Shown::Nothing);
    EXPECT_EQ(test::SpanBytes(View().Icons().IconBytes(ICON_KEY, 1)), damaged);
}

TEST_F(IconEditLogic, SaveExportsTheOpenedBytes) {
    Start(std::nullopt);
    // Not a minimal PNG: padding behind the end chunk must come back too.
    const auto png = test::PaddedPng(120, 60, 5000);
    OpenInto(CellId(ICON_KEY, 24), dir.Write("in.png", png));
    const std::string out = dir.File("out.png");
    Choose(CellId(ICON_KEY, 24), ID_ICON_SAVE, out);
    EXPECT_EQ(ui.savePrompts.back().filter, "User Icon (*.png)|*.png||");
    EXPECT_EQ(ui.savePrompts.back().proposedName, "");
    EXPECT_EQ(test::ReadAll(out), png);

    // A file that cannot be written is reported; nothing else changes.
    Choose(CellId(ICON_KEY, 24), ID_ICON_SAVE, dir.File("no-such-dir/out.png"));
    ASSERT_EQ(ui.warnings.size(), 1u);
    EXPECT_TRUE(View().Icons().HasIcon(ICON_KEY, 24));
}

TEST_F(IconEditLogic, TwoOpeningsShareNothing) {
    const std::string file = MakeIconFile();
    Start(file);
    ASSERT_TRUE(View().Icons().HasIcon(ICON_KEY, 9));

    ScriptedUi secondUi;
    IconEditController second(secondUi, codec, random);
    second.SetPath(file);
    secondUi.openAnswers.push_back(std::nullopt);
    second.OnInitDialog({0, 0, 450, 487}, 21);
    for (const IconCell& cell : AllIconCells()) {
        EXPECT_FALSE(second.View()->Icons().HasIcon(cell.kind, cell.index));
        EXPECT_EQ(secondUi.cells[cell.id].shown, Shown::Empty);
    }
    const auto& header = second.View()->Header().bytes();
    EXPECT_TRUE(std::all_of(header.begin(), header.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST_F(IconEditLogic, ButtonsFollowTheSize) {
    EXPECT_FALSE(dialog.OnSize(500, 500));  // before the form exists
    Start(std::nullopt);
    EXPECT_EQ(dialog.FormRect(), (CellRect{0, 0, 450, 445}));
    EXPECT_FALSE(dialog.OnSize(0, 300));
    const auto change = dialog.OnSize(500, 520);
    ASSERT_TRUE(change);
    EXPECT_EQ(change->dx, 50);
    EXPECT_EQ(change->dy, 33);
    EXPECT_EQ(change->form, (CellRect{0, 0, 500, 478}));
    const auto back = dialog.OnSize(400, 400);
    EXPECT_EQ(back->dx, -100);
    EXPECT_EQ(back->dy, -120);
}

TEST(IconEditCodec, AreaAveragingTakesTheMean) {
    gui::QImageCodec codec;
    // A 2x2 checker of black and white shrinks to mid grey, not to one of its pixels.
    RgbaImage checker{2, 2, {0, 0, 0, 255, 255, 255, 255, 255, 255, 255, 255, 255, 0, 0, 0, 255}};
    const RgbaImage one = codec.ScaleAreaAverage(checker, 1, 1);
    ASSERT_TRUE(one.IsValid());
    EXPECT_NEAR(one.pixels[0], 128, 1);
    EXPECT_EQ(one.pixels[3], 255);

    // A 120x80 picture of one-pixel columns alternating red and blue: every 60x60 pixel covers
    // one red and one blue column, whatever rows it spans.
    RgbaImage stripes{120, 80, std::vector<std::uint8_t>(120 * 80 * 4)};
    for (int y = 0; y < 80; ++y) {
        for (int x = 0; x < 120; ++x) {
            std::uint8_t* p = &stripes.pixels[(y * 120 + x) * 4];
            p[x % 2 == 0 ? 0 : 2] = 200;
            p[3] = 255;
        }
    }
    const RgbaImage small = codec.ScaleAreaAverage(stripes, 60, 60);
    ASSERT_TRUE(small.IsValid());
    for (std::size_t i = 0; i < small.pixels.size(); i += 4) {
        ASSERT_EQ(small.pixels[i], 100);
        ASSERT_EQ(small.pixels[i + 2], 100);
    }

    // Encoding and decoding keep the pixels.
    const auto png = codec.EncodePng(small);
    ASSERT_TRUE(png);
    const auto decoded = codec.Decode(*png);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->pixels, small.pixels);
}

}  // namespace
}  // namespace vanto::iconedit
