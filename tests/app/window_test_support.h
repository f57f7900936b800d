#pragma once
// What the window tests share: starting the window without the single-instance guard, and
// choosing a file on a page the way its browse button does.

#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <optional>
#include <string>

#include "app/gui/forms/function_form.h"
#include "app/gui/tavro_app.h"

namespace vanto::gui::window_test {

// The settings of this test run only: XDG_CONFIG_HOME points into a folder that goes with it.
// Made before the QApplication, so nothing reads the user's own settings.
class PrivateSettings {
public:
    PrivateSettings() { qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path())); }

private:
    QTemporaryDir m_dir;
};

inline std::unique_ptr<CTavroApp> StartApp(CTavroApp::Options options = {}) {
    auto app = std::make_unique<CTavroApp>();
    options.singleInstance = false;
    if (!app->InitInstance(std::move(options))) {
        return nullptr;
    }
    return app;
}

// Shows page `page`, picks `path` through its browse button and gives the page's form; null when
// the page has no form.
inline FunctionForm* ChooseFile(CTavroApp& app, int page, const std::string& path) {
    app.Frame()->OnFunctionCommand(page);
    auto* form = qobject_cast<FunctionForm*>(&app.PageView(page)->Widget());
    if (form != nullptr) {
        form->SetFileChooser([path](const BrowseRequest&) {
            return std::optional<QString>(QString::fromStdString(path));
        });
        form->BrowseButton(0).click();
    }
    return form;
}

}  // namespace vanto::gui::window_test
