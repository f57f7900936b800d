#pragma once
// The pictures of the README, taken from the real window: every page, every colour style, the
// about box, a message box, the file dialog and the icon editor; or, when a page and a file are
// chosen for it, one picture of that page in the middle of a real transfer with the remote on the
// link.

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

namespace vanto::gui {

class CTavroApp;

// A dialog of the window to take a picture of: made over the window, shown without a modal loop,
// taken over the window it belongs to, then closed.
struct DialogPicture {
    const char* name;  // the file name without ".png"
    std::function<std::unique_ptr<QWidget>(CTavroApp& app)> make;
};

// The dialogs pictured, in order. Another dialog's picture is one more line in its table.
const std::vector<DialogPicture>& DialogPictures();

// Saves page-N-NAME.png for every page, look-NAME.png for every style, one picture per entry of
// DialogPictures() and icon-editor.png into `dir`.
bool TakeScreenshots(CTavroApp& app, const QString& dir);

// One picture `name`.png of page 0 in the look showing.
bool TakeOneScreenshot(CTavroApp& app, const QString& dir, const QString& name);

// Shows page `page`, chooses `file` on it and waits (at most `timeoutMs`) until the running
// transfer has the bar well under way, then saves transfer-NAME.png into `dir` and quits; the
// exit code is 1 when no transfer was seen.
void TakeTransferScreenshot(CTavroApp& app, const QString& dir, int page, const QString& file,
                            int timeoutMs);

// Parses "N:FILE" (page 0..5 and a file) of --select; false when it is not that.
bool ParseScreenshotSelect(const QString& text, int& page, QString& file);

}  // namespace vanto::gui
