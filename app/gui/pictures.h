#pragma once
// Every picture of the window, drawn in code: page banners, the ribbon's function pictures, the
// application icon and the icon pages' "Edit" picture. Nothing is loaded from files, so each
// picture is drawn at the size and device pixel ratio of the screen that shows it.

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QSize>
#include <QString>
#include <functional>

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

// The banner's own proportions: 400 x 50, so its height is its width / 8.
constexpr int kBannerWidth = 400;
constexpr int kBannerHeight = 50;

// A banner of `size` logical pixels: `title` in `colour` on black, drawn at `devicePixelRatio`
// (the image carries that ratio and has size x ratio pixels).
QImage DrawBanner(const QString& title, const QColor& colour,
                  QSize size = QSize(kBannerWidth, kBannerHeight), qreal devicePixelRatio = 1.0);

// An icon that draws its picture anew for every size and device pixel ratio it is asked for,
// never scaling a smaller one up. `draw` gets the size in device pixels; `aspect` is the
// picture's own proportion (the icon keeps it inside any size asked for).
using PictureDraw = std::function<QImage(QSize devicePixels)>;
QIcon DrawnIcon(PictureDraw draw, QSize aspect = QSize(1, 1));

// The large ribbon picture of function `functionIndex` (0..5), `size` pixels square.
QImage DrawFunctionPicture(int functionIndex, int size);

// The application's picture: a handheld remote, `size` pixels square, transparent around it.
QImage DrawAppPicture(int size);
QIcon AppIcon();

// The picture of the icon pages' "Edit" button, 120 x 80 in its own proportions.
constexpr int kEditPictureWidth = 120;
constexpr int kEditPictureHeight = 80;
QImage DrawEditPicture(QSize size = QSize(kEditPictureWidth, kEditPictureHeight));

// The icons of the ribbon and the "Edit" button, each drawn for the size it is shown at.
QIcon FunctionIcon(int functionIndex);
QIcon EditIcon();
QIcon AboutIcon();
QIcon ExitIcon();

// Small pictures for the About button and the "Exit" menu item.
QImage DrawAboutPicture(int size);
QImage DrawExitPicture(int size);

}  // namespace vanto::gui
