#pragma once
// Every picture of the window, drawn in code: page banners, the ribbon's function pictures, the
// application icon and the icon pages' "Edit" picture. Nothing is loaded from files.

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QString>

namespace vanto::gui {

// The colour of a function page (its banner text and progress bar).
QColor PageColour(int functionIndex);

// The progress-bar colours of the pages.
inline QColor AppDownloadColour() {
    return QColor(255, 128, 128);
}
inline QColor DatabaseDownloadColour() {
    return QColor(34, 177, 76);
}
inline QColor UploadColour() {
    return QColor(0, 162, 232);
}
inline QColor RestoreColour() {
    return QColor(185, 122, 87);
}

constexpr int kBannerWidth = 400;
constexpr int kBannerHeight = 50;

// A 400 x 50 banner: `title` in `colour` on black.
QImage DrawBanner(const QString& title, const QColor& colour);

// The large ribbon picture of function `functionIndex` (0..5), `size` pixels square.
QImage DrawFunctionPicture(int functionIndex, int size);

// The application's picture: a handheld remote, `size` pixels square, transparent around it.
QImage DrawAppPicture(int size);
QIcon AppIcon();

// The 120 x 80 picture of the icon pages' "Edit" button.
QImage DrawEditPicture();

// Small pictures for the About button and the "Exit" menu item.
QImage DrawAboutPicture(int size);
QImage DrawExitPicture(int size);

}  // namespace vanto::gui
