#include "iconedit/icon_edit_cells.h"

namespace vanto::iconedit {
namespace {

constexpr int kDeviceRowTop = 50;
constexpr int kDeviceRowHeight = 80;
constexpr int kKeyRowHeight = 64;

CellRect CellRectOf(IconKind kind, int index) {
    switch (kind) {
        case ICON_DEVICE: {
            const int y = kDeviceRowTop + kDeviceRowHeight * index;
            return {50, y, 170, y + kDeviceRowHeight};
        }
        case ICON_DEVSEL: {
            const int y = kDeviceRowTop + kDeviceRowHeight * index;
            return {180, y, 260, y + kDeviceRowHeight};
        }
        case ICON_KEY: {
            const int y = kDeviceRowTop + kKeyRowHeight * index;
            return {350, y, 470, y + kKeyRowHeight};
        }
    }
    return {};
}

int FirstId(IconKind kind) {
    switch (kind) {
        case ICON_DEVICE:
            return IDC_DEVICE_ICON_FIRST;
        case ICON_DEVSEL:
            return IDC_DEVSEL_ICON_FIRST;
        case ICON_KEY:
            return IDC_KEY_ICON_FIRST;
    }
    return 0;
}

}  // namespace

int IconPictureWidth(IconKind kind) {
    return kind == ICON_DEVSEL ? 60 : 120;
}

int IconPictureHeight(IconKind kind) {
    switch (kind) {
        case ICON_DEVICE:
            return 80;
        case ICON_DEVSEL:
        case ICON_KEY:
            return 60;
    }
    return 0;
}

int EmptyPictureId(IconKind kind) {
    switch (kind) {
        case ICON_DEVICE:
            return IDB_EMPTY_DEVICE_ICON;
        case ICON_DEVSEL:
            return IDB_EMPTY_DEVSEL_ICON;
        case ICON_KEY:
            return IDB_EMPTY_KEY_ICON;
    }
    return 0;
}

int CellId(IconKind kind, int index) {
    return FirstId(kind) + index;
}

std::optional<IconCell> CellFromId(int id) {
    for (IconKind kind : {ICON_DEVICE, ICON_DEVSEL, ICON_KEY}) {
        const int index = id - FirstId(kind);
        if (index >= 0 && index < IconSlotCount(kind)) {
            return IconCell{id, kind, index, CellRectOf(kind, index)};
        }
    }
    return std::nullopt;
}

std::vector<IconCell> AllIconCells() {
    std::vector<IconCell> cells;
    cells.reserve(kIconCellCount);
    for (IconKind kind : {ICON_DEVICE, ICON_DEVSEL, ICON_KEY}) {
        for (int index = 0; index < IconSlotCount(kind); ++index) {
            cells.push_back({CellId(kind, index), kind, index, CellRectOf(kind, index)});
        }
    }
    return cells;
}

std::vector<FormLabel> AllFormLabels() {
    std::vector<FormLabel> labels;
    labels.push_back({"Device Icon", {50, 10, 250, 40}, true});
    labels.push_back({"Key Icon", {350, 10, 470, 40}, true});
    for (int i = 0; i < kDeviceCount; ++i) {
        const int y = kDeviceRowTop + kDeviceRowHeight * i;
        labels.push_back({std::to_string(i + 1), {20, y, 50, y + kDeviceRowHeight}, false});
    }
    for (int k = 0; k < kKeyCount; ++k) {
        const int y = kDeviceRowTop + kKeyRowHeight * k;
        labels.push_back({std::to_string(k + 1), {320, y, 350, y + kKeyRowHeight}, false});
    }
    return labels;
}

}  // namespace vanto::iconedit
