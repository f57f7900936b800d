#pragma once
// The pictures of the hidden --screenshot run: every page, every colour style and the icon
// editor with a few drawn icons in it; or, when a page and a file are chosen for it, one picture of
// that page in the middle of a real transfer with the remote on the link.

#include <QString>

namespace vanto::gui {

class CTavroApp;

// Saves page-N-NAME.png for every page, look-NAME.png for every style and icon-editor.png into
// `dir`, then quits the application.
void TakeScreenshots(CTavroApp& app, const QString& dir);

// Shows page `page`, chooses `file` on it and waits (at most `timeoutMs`) until the running
// transfer has the bar well under way, then saves transfer-NAME.png into `dir` and quits; the
// exit code is 1 when no transfer was seen.
void TakeTransferScreenshot(CTavroApp& app, const QString& dir, int page, const QString& file,
                            int timeoutMs);

// Parses "N:FILE" (page 0..5 and a file) of --screenshot-select; false when it is not that.
bool ParseScreenshotSelect(const QString& text, int& page, QString& file);

}  // namespace vanto::gui
