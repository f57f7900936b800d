#pragma once
// The "Edit" button's way to the icon editor. The editor dialog registers itself here with
// SetIconEditorDialog; until one is registered, the button says that the editor is missing.

#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "pages/page_form.h"

namespace vanto::gui {

// Runs the editor modally over `parent` on `proposedPath`; the path it wrote when it ended
// with OK, else nothing.
using IconEditorDialogRun =
    std::function<std::optional<std::string>(QWidget* parent, const std::string& proposedPath)>;

void SetIconEditorDialog(IconEditorDialogRun run);

class IconEditorLauncher final : public vanto::IconEditorRunner {
public:
    explicit IconEditorLauncher(QWidget& parent) : m_parent(parent) {}
    bool Run(const std::string& proposedPath) override;
    std::string GetPath() const override { return m_path; }

private:
    QWidget& m_parent;
    std::string m_path;
};

}  // namespace vanto::gui
