#include "app/iconedit/empty_icon_pictures.h"

#include <QColor>

#include "iconedit/icon_edit_cells.h"

namespace vanto::gui {
namespace {

void FillRect(QImage& image, int left, int top, int width, int height, QRgb colour) {
    for (int y = top; y < top + height; ++y) {
        for (int x = left; x < left + width; ++x) {
            if (image.valid(x, y)) {
                image.setPixel(x, y, colour);
            }
        }
    }
}

}  // namespace

QImage DrawEmptyIconPicture(IconKind kind) {
    const int width = iconedit::IconPictureWidth(kind);
    const int height = iconedit::IconPictureHeight(kind);
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(qRgb(255, 255, 255));

    // The plus sign, 21 across and 20 down, 5 pixels thick, inside a 1-pixel lighter fringe.
    constexpr int kPlusWidth = 21;
    constexpr int kPlusHeight = 20;
    constexpr int kBar = 5;
    const int left = (width - kPlusWidth) / 2;
    const int top = (height - kPlusHeight) / 2;
    const int barLeft = left + (kPlusWidth - kBar) / 2;
    const int barTop = top + (kPlusHeight - kBar) / 2;
    const QRgb fringe = qRgb(140, 152, 180);
    const QRgb dark = qRgb(0, 20, 66);
    FillRect(image, left - 1, barTop - 1, kPlusWidth + 2, kBar + 2, fringe);
    FillRect(image, barLeft - 1, top - 1, kBar + 2, kPlusHeight + 2, fringe);
    FillRect(image, left, barTop, kPlusWidth, kBar, dark);
    FillRect(image, barLeft, top, kBar, kPlusHeight, dark);

    const QRgb frame = qRgb(49, 85, 156);
    FillRect(image, 0, 0, width, 1, frame);
    FillRect(image, 0, height - 1, width, 1, frame);
    FillRect(image, 0, 0, 1, height, frame);
    FillRect(image, width - 1, 0, 1, height, frame);
    return image;
}

}  // namespace vanto::gui
