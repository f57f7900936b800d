// The six function pages: each page's logic on its Qt form.
#include <memory>

#include "app/gui/forms/function_form.h"
#include "app/gui/forms/icon_editor_launcher.h"
#include "app/gui/function_page.h"
#include "app/gui/pictures.h"
#include "formats/posix_file_system.h"
#include "pages/function_pages.h"

namespace vanto::gui {

namespace {

FormLayout LayoutFor(int index) {
    FormLayout layout;
    layout.colour = PageColour(index);
    const QString userDataFilter = QStringLiteral("User data files|*.bin|All files|*.*||");
    const QString deviceFilter = QStringLiteral("One Device data files|*.odf|All files|*.*||");
    const QString iconFilter = QStringLiteral("User icon files|*.vui|All files|*.*||");
    switch (index) {
        case FUNC_APP_DOWNLOAD:
            layout.mode[0] = {QStringLiteral("Application Download"),
                              QStringLiteral("Application:"),
                              QStringLiteral("s19"),
                              QStringLiteral("Application files|*.s19|All files|*.*||"),
                              QStringLiteral("Select the application to download."),
                              QStringLiteral("Choose the application to install")};
            break;
        case FUNC_DB_DOWNLOAD:
            layout.mode[0] = {QStringLiteral("Database Download"),
                              QStringLiteral("Database:"),
                              QStringLiteral("bin"),
                              QStringLiteral("Database files|*.bin|All files|*.*||"),
                              QStringLiteral("Select the database to download."),
                              QStringLiteral("Choose the database to install")};
            break;
        case FUNC_USERDATA_UPLOAD:
            layout.modes = 2;
            layout.newNames = true;
            layout.mode[0] = {QStringLiteral("User Data Upload"),
                              QStringLiteral("User Data:"),
                              QStringLiteral("bin"),
                              userDataFilter,
                              QStringLiteral("Select the user data to save."),
                              QStringLiteral("Save the user data backup as")};
            layout.mode[1] = {QStringLiteral("One Device Upload"),
                              QStringLiteral("One Device:"),
                              QStringLiteral("odf"),
                              deviceFilter,
                              QStringLiteral("Select the device data to save."),
                              QStringLiteral("Save the device data backup as")};
            break;
        case FUNC_USERDATA_DOWNLOAD:
            layout.modes = 2;
            layout.mode[0] = {QStringLiteral("User Data Download"),
                              QStringLiteral("User Data:"),
                              QStringLiteral("bin"),
                              userDataFilter,
                              QStringLiteral("Select the user data to download."),
                              QStringLiteral("Choose the user data to restore")};
            layout.mode[1] = {QStringLiteral("One Device Download"),
                              QStringLiteral("One Device:"),
                              QStringLiteral("odf"),
                              deviceFilter,
                              QStringLiteral("Select the device data to download."),
                              QStringLiteral("Choose the device data to restore")};
            break;
        case FUNC_ICON_UPLOAD:
            layout.newNames = true;
            layout.editButton = true;
            layout.mode[0] = {QStringLiteral("User Icon Upload"),
                              QStringLiteral("User Icon:"),
                              QStringLiteral("vui"),
                              iconFilter,
                              QStringLiteral("Select the user icon to save."),
                              QStringLiteral("Save the user icon backup as")};
            break;
        default:
            layout.editButton = true;
            layout.mode[0] = {QStringLiteral("User Icon Download"),
                              QStringLiteral("User Icon:"),
                              QStringLiteral("vui"),
                              iconFilter,
                              QStringLiteral("Select the user icon to download."),
                              QStringLiteral("Choose the user icons to restore")};
            break;
    }
    return layout;
}

// A page's logic on its form. The form is created first: the logic talks to it from its
// constructor on.
class FormPage final : public FunctionPageView {
public:
    explicit FormPage(int index)
        : m_form(std::make_unique<FunctionForm>(LayoutFor(index))), m_editor(*m_form) {
        m_form->setObjectName(QStringLiteral("FunctionForm%1").arg(index));
        m_page = MakeFunctionPageLogic(index, *m_form, DefaultFileSystem(), m_editor);
        CKvMgrFormView* logic = m_page.get();
        m_form->onBrowseChosen = [logic](const std::string& path) { logic->OnBrowseChosen(path); };
        // Only the user data forms have mode buttons and only the user icon forms an "Edit" button.
        m_form->onModeClicked = [logic](int mode) { logic->OnModeChanged(mode); };
        m_form->onEditClicked = [logic] { logic->OnEditClicked(); };
    }
    ~FormPage() override {
        // The logic goes first: an upload page closes its file, and nothing may call the form
        // after it is gone.
        m_page.reset();
    }

    QWidget& Widget() override { return *m_form; }
    vanto::TransferPage* Page() override { return m_page.get(); }
    void InitialUpdate() override { m_page->OnInitialUpdate(); }

private:
    std::unique_ptr<FunctionForm> m_form;
    IconEditorLauncher m_editor;
    std::unique_ptr<CKvMgrFormView> m_page;
};

}  // namespace

std::unique_ptr<FunctionPageView> MakeFunctionPage(int index) {
    if (index < 0 || index >= FUNC_COUNT) {
        return nullptr;
    }
    return std::make_unique<FormPage>(index);
}

}  // namespace vanto::gui
