#pragma once
// The editor form's fixed layout: 65 picture cells, their control ids and slots, the column titles
// and row numbers, all in pixels of the form's 500 x 1700 scrollable area.
//
//   "Device Icon" (50,10)-(250,40)            "Key Icon" (350,10)-(470,40)
//   device row i (y = 50 + 80i):  number (20,y)-(50,y+80), device cell (50,y)-(170,y+80),
//                                 selection cell (180,y)-(260,y+80)
//   key row k (y = 50 + 64k):     number (320,y)-(350,y+64), key cell (350,y)-(470,y+64)
// Both columns end at y = 1650. A picture sits centred in its cell.

#include <optional>
#include <string>
#include <vector>

#include "iconedit/icon_file.h"

namespace vanto::iconedit {

constexpr int IDC_DEVICE_ICON_FIRST = 4096;
constexpr int IDC_DEVSEL_ICON_FIRST = 4352;
constexpr int IDC_KEY_ICON_FIRST = 4608;
// Clicks on ids from the first cell id up to this one reach the form; only cell ids act.
constexpr int kIconCellIdLimit = 8192;
// Labels carry no control id.
constexpr int kStaticControlId = 65535;
// The form's child window id inside the dialog.
constexpr int kIconEditFormId = 59649;

constexpr int IDB_EMPTY_DEVICE_ICON = 325;
constexpr int IDB_EMPTY_DEVSEL_ICON = 326;
constexpr int IDB_EMPTY_KEY_ICON = 327;

constexpr int kIconFormWidth = 500;
constexpr int kIconFormHeight = 1700;
constexpr int kIconCellCount = kDeviceCount * 2 + kKeyCount;

struct CellRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const CellRect&) const = default;
};

struct IconCell {
    int id = 0;
    IconKind kind = ICON_DEVICE;
    int index = 0;  // slot index, 0-based
    CellRect rect;
};

struct FormLabel {
    std::string text;
    CellRect rect;
    bool centred = false;  // titles: centred both ways; row numbers: left-aligned, centred down
};

// Picture size of a kind: 120x80, 60x60, 120x60.
int IconPictureWidth(IconKind kind);
int IconPictureHeight(IconKind kind);
// The empty picture's bitmap id (325, 326, 327).
int EmptyPictureId(IconKind kind);

int CellId(IconKind kind, int index);
// The cell of a control id; nothing for ids that are no cell.
std::optional<IconCell> CellFromId(int id);
// The 65 cells: device cells 1..20, selection cells 1..20, key cells 1..25.
std::vector<IconCell> AllIconCells();
// The two column titles, then the 20 device row numbers, then the 25 key row numbers.
std::vector<FormLabel> AllFormLabels();

}  // namespace vanto::iconedit
