// The editor's fixed tables: cells and their slots, labels, icon file names, message texts.
#include <gtest/gtest.h>

#include <set>

#include "iconedit/icon_edit_cells.h"
#include "iconedit/icon_edit_pack.h"
#include "iconedit/icon_edit_rules.h"

namespace vanto::iconedit {
namespace {

TEST(IconEditCells, IdsMapToSlotsAndPlaces) {
    struct Case {
        int id;
        IconKind kind;
        int index;
        CellRect rect;
    };
    for (const Case& c : {Case{4096, ICON_DEVICE, 0, {50, 50, 170, 130}},
                          Case{4115, ICON_DEVICE, 19, {50, 1570, 170, 1650}},
                          Case{4352, ICON_DEVSEL, 0, {180, 50, 260, 130}},
                          Case{4371, ICON_DEVSEL, 19, {180, 1570, 260, 1650}},
                          Case{4608, ICON_KEY, 0, {350, 50, 470, 114}},
                          Case{4632, ICON_KEY, 24, {350, 1586, 470, 1650}}}) {
        SCOPED_TRACE(c.id);
        const auto cell = CellFromId(c.id);
        ASSERT_TRUE(cell);
        EXPECT_EQ(cell->kind, c.kind);
        EXPECT_EQ(cell->index, c.index);
        EXPECT_EQ(cell->rect, c.rect);
        EXPECT_EQ(CellId(c.kind, c.index), c.id);
    }
    for (int id : {0, 4095, 4116, 4351, 4372, 4607, 4633, 8192, 65535}) {
        EXPECT_FALSE(CellFromId(id)) << id;
    }

    const auto cells = AllIconCells();
    ASSERT_EQ(cells.size(), 65u);
    std::set<int> ids;
    for (const IconCell& cell : cells) {
        ids.insert(cell.id);
        // Every picture fits its cell, which lies inside the 500 x 1700 form.
        EXPECT_LE(IconPictureWidth(cell.kind), cell.rect.Width());
        EXPECT_LE(IconPictureHeight(cell.kind), cell.rect.Height());
        EXPECT_LE(cell.rect.right, kIconFormWidth);
        EXPECT_LE(cell.rect.bottom, kIconFormHeight);
    }
    EXPECT_EQ(ids.size(), 65u);
}

TEST(IconEditRules, SizeLimitAndTexts) {
    EXPECT_FALSE(CheckIconFileSize(ICON_KEY, 16380));
    const auto refused = CheckIconFileSize(ICON_KEY, 16381);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->text,
              "Selected file size: 16381 bytes.\nPlease select file less than 16384 bytes.");
    // Lengths beyond 32 bits are shown as they are, not wrapped.
    EXPECT_EQ(CheckIconFileSize(ICON_DEVSEL, 5000000000ULL)->text,
              "Selected file size: 5000000000 bytes.\nPlease select file less than 10240 bytes.");
    EXPECT_EQ(ImageSizeMessage(ICON_DEVSEL, 61, 60).text,
              "Selected image size: 61x60\nPlease select 60x60 image.");
    EXPECT_EQ(FormatText("%d-%d-%d", {1, 2}), "1-2-%d");
}

TEST(IconEditRules, IconFileNames) {
    for (IconKind kind : {ICON_DEVICE, ICON_DEVSEL, ICON_KEY}) {
        for (int i = 0; i < IconSlotCount(kind); ++i) {
            const auto parsed = ParseIconFileName(IconFileNameOf(kind, i));
            ASSERT_TRUE(parsed);
            EXPECT_EQ(parsed->kind, kind);
            EXPECT_EQ(parsed->index, i);
        }
    }
    EXPECT_EQ(IconFileNameOf(ICON_KEY, 24), "key-25.png");
    for (const char* name :
         {"device-00.png", "device-21.png", "devsel-21.png", "key-26.png", "key-1.png",
          "key-001.png", "key-0a.png", "key-01.PNG", "keys-01.png"}) {
        EXPECT_FALSE(ParseIconFileName(name)) << name;
    }
}

}  // namespace
}  // namespace vanto::iconedit
