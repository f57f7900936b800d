#pragma once
// CTavroApp: the application object. It makes sure one copy runs, builds the main frame and the
// six function pages in index order, shows page 0, switches pages for the ribbon and keeps the
// page registry the engine reads. Created after QApplication.

#include <QString>
#include <array>
#include <memory>

#include "app/gui/function_page.h"
#include "app/gui/main_frame.h"
#include "app/gui/single_instance_guard.h"
#include "protocol/transfer_notify.h"

namespace vanto::gui {

class CTavroApp final : public vanto::PageRegistry, public FrameOwner {
public:
    struct Options {
        CMainFrame::Options frame;
        // Creates the six pages; MakeFunctionPage when empty.
        FunctionPageFactory makePage;
        // The single-instance server name; SingleInstanceGuard::DefaultServerName() when empty.
        QString instanceName;
        bool singleInstance = true;
        bool showWindow = true;
    };

    CTavroApp();
    ~CTavroApp() override;

    // Start-up. False ends the program at once: another copy runs (it has been asked to show its
    // window) or page 0 could not be created.
    bool InitInstance(Options options);
    // True when InitInstance ended because another copy runs.
    bool OtherCopyRuns() const { return m_bOtherCopy; }

    QWidget* SwitchPage(int index, QWidget* current) override;
    void OnAppAbout() override;

    // PageRegistry
    vanto::TransferPage* Page(int index) override;
    vanto::TransferPage* ShowingPage() override { return m_pShowingPage; }

    CMainFrame* Frame() { return m_frame.get(); }
    FunctionPageView* PageView(int index);
    const QString& Title() const { return m_title; }
    // Shows, restores and raises the main window (asked by a second copy).
    void RaiseMainWindow();

private:
    QString m_title;
    bool m_bOtherCopy = false;
    std::unique_ptr<SingleInstanceGuard> m_guard;
    // The frame before the pages and the placeholder: they go first, while the frame still
    // holds the page area.
    std::unique_ptr<CMainFrame> m_frame;
    std::unique_ptr<QWidget> m_placeholderView;
    std::array<std::unique_ptr<FunctionPageView>, vanto::FUNC_COUNT> m_apPages;
    vanto::TransferPage* m_pShowingPage = nullptr;
};

}  // namespace vanto::gui
