#pragma once
// CMainFrame: the only top-level window. The ribbon with the six function buttons, the "Style"
// menu and the About button; the status bar with the device state; the page area in which the
// showing function page lies. It owns the protocol engine, its timers and the device poll, armed
// when the window is created.
//
// Status bar: the device pane is its ordinary item. While the pointer rests on a command, the
// command's prompt shows in its place; when the pointer leaves, the pane (with the device state
// as it is by then) comes back. Items added with statusBar()->addPermanentWidget stand at the
// right and stay in view while a prompt shows.

#include <QLabel>
#include <QMainWindow>
#include <QPalette>
#include <QStackedWidget>
#include <functional>
#include <memory>

#include "app/core/app_look.h"
#include "app/gui/ribbon_bar.h"
#include "app/host/engine_host.h"
#include "link/device_link.h"
#include "protocol/engine_ports.h"
#include "protocol/transfer_notify.h"

namespace vanto::gui {

// What the frame asks of the application object.
class FrameOwner {
public:
    virtual ~FrameOwner() = default;
    // Shows page `index` in place of `current`; returns `current`.
    virtual QWidget* SwitchPage(int index, QWidget* current) = 0;
    virtual void OnAppAbout() = 0;
};

class CMainFrame final : public QMainWindow, public vanto::ModalAlert {
    Q_OBJECT
public:
    static constexpr int kStartWidth = 520;
    static constexpr int kStartHeight = 520;
    static constexpr int kMinWidth = 400;
    static constexpr int kMinHeight = 320;

    struct Options {
        QString title;
        // Makes the device link; null or returning null: no device is polled.
        std::function<std::unique_ptr<vanto::DeviceLink>()> makeLink;
    };

    CMainFrame(FrameOwner& owner, vanto::PageRegistry& pages, Options options);
    ~CMainFrame() override;

    // Function command n (0..5): switches to page n unless it is showing already.
    void OnFunctionCommand(int index);
    // Colour-style command (32781..32789).
    void OnLookCommand(int id);

    // The status bar's information text; setting the same text again changes nothing.
    void SetStatusText(const QString& text);
    QString StatusText() const { return m_statusPane->text(); }

    int SelectedFunction() const { return m_nSelectedFunc; }
    const AppLookState& LookState() const { return m_look; }
    CRibbonBar& Ribbon() { return *m_ribbon; }
    QStackedWidget& PageArea() { return *m_pageArea; }
    QWidget* ActiveView() const { return m_pageArea->currentWidget(); }
    // Makes `view` the one that fills the page area.
    void SetActiveView(QWidget* view);
    // Lays the frame out and makes it as high as the showing page needs, never higher than it is
    // (shrink only) nor lower than the minimum.
    void FitToPage();
    // Number of times the page area was laid out for a new page.
    int PageLayouts() const { return m_nPageLayouts; }

    host::EngineHost& Engine() { return *m_engine; }
    // Stops the poll and closes the link; called before the pages go away.
    void StopEngine();

    // ModalAlert: a modal box with OK.
    void ShowModal(const std::string& text) override;

    // Reading and writing the stored "ApplicationLook".
    static int ReadStoredLook();
    static void WriteStoredLook(int id);

protected:
    void changeEvent(QEvent* event) override;

private:
    void ApplyLook(AppLook look);

    FrameOwner& m_owner;
    int m_nSelectedFunc = 0;
    AppLookState m_look;
    int m_nPageLayouts = 0;
    // The palette the desktop gave the program: the Default look, and what the program gets back
    // when the frame goes.
    QPalette m_desktopPalette;
    bool m_applyingLook = false;
    // Owned by the window (ribbon, central widget, status bar).
    CRibbonBar* m_ribbon = nullptr;
    QStackedWidget* m_pageArea = nullptr;
    QLabel* m_statusPane = nullptr;
    std::unique_ptr<host::EngineHost> m_engine;
};

}  // namespace vanto::gui
