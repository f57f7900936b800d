#include "app/gui/main_frame.h"

#include <QApplication>
#include <QLayout>
#include <QStatusBar>
#include <algorithm>

#include "app/gui/look_style.h"
#include "app/gui/qt_owned.h"
#include "app/settings/app_settings.h"
#include "app/widgets/message_box.h"
#include "link/device_poll.h"

namespace vanto::gui {

int CMainFrame::ReadStoredLook() {
    return vanto::settings::ReadLook(ID_VIEW_APPLOOK_DEFAULT);
}

void CMainFrame::WriteStoredLook(int id) {
    vanto::settings::WriteLook(id);
}

CMainFrame::CMainFrame(FrameOwner& owner, vanto::PageRegistry& pages, Options options)
    : QMainWindow(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                               Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_owner(owner),
      m_look(ReadStoredLook()),
      m_desktopPalette(QApplication::palette()),
      m_ribbon(MakeQtOwned<CRibbonBar>(this)),
      m_pageArea(MakeQtOwned<QStackedWidget>(this)),
      m_statusPane(MakeQtOwned<QLabel>(this)) {
    setObjectName(QStringLiteral("MorvaProductManagerClass"));
    setWindowTitle(options.title);
    resize(kStartWidth, kStartHeight);
    setMinimumSize(kMinWidth, kMinHeight);

    setMenuWidget(m_ribbon);
    m_pageArea->setObjectName(QStringLiteral("PageArea"));
    setCentralWidget(m_pageArea);
    m_statusPane->setObjectName(QStringLiteral("DevicePane"));
    m_statusPane->setText(QString::fromLatin1(vanto::kStatusDisconnected));
    statusBar()->addWidget(m_statusPane, 1);
    statusBar()->setSizeGripEnabled(true);

    connect(m_ribbon, &CRibbonBar::FunctionCommand, this, &CMainFrame::OnFunctionCommand);
    connect(m_ribbon, &CRibbonBar::LookCommand, this, &CMainFrame::OnLookCommand);
    connect(m_ribbon, &CRibbonBar::AboutCommand, this, [this] { m_owner.OnAppAbout(); });
    connect(m_ribbon, &CRibbonBar::ExitCommand, this, &QWidget::close);

    std::unique_ptr<vanto::DeviceLink> link = options.makeLink ? options.makeLink() : nullptr;
    m_engine = std::make_unique<host::EngineHost>(pages, *this, std::move(link), this);
    m_engine->SetStatusSink(
        [this](const std::string& text) { SetStatusText(QString::fromStdString(text)); });
    m_engine->Start();

    // The stored style goes through the style command, which also writes it back.
    OnLookCommand(m_look.LookId());
}

CMainFrame::~CMainFrame() {
    StopEngine();
    QApplication::setPalette(m_desktopPalette);
}

void CMainFrame::StopEngine() {
    if (m_engine) {
        m_engine->Stop();
    }
}

void CMainFrame::OnFunctionCommand(int index) {
    if (index >= 0 && index < vanto::FUNC_COUNT && index != m_nSelectedFunc) {
        m_nSelectedFunc = index;
        m_owner.SwitchPage(index, ActiveView());
    }
    // A click on a checkable button toggles it; the checks always follow m_nSelectedFunc.
    m_ribbon->SetSelectedFunction(m_nSelectedFunc);
}

void CMainFrame::SetActiveView(QWidget* view) {
    if (m_pageArea->indexOf(view) < 0) {
        m_pageArea->addWidget(view);
    }
    m_pageArea->setCurrentWidget(view);
    ++m_nPageLayouts;
    view->update();
}

void CMainFrame::FitToPage() {
    // The style sets margins and sizes as it polishes the widgets: before measuring.
    ensurePolished();
    if (QLayout* frameLayout = layout()) {
        frameLayout->activate();
    }
    // Fitted to the tallest of the pages, so that no page needs its scroll bar at the start size.
    int need = 0;
    for (int i = 0; i < m_pageArea->count(); ++i) {
        QWidget* page = m_pageArea->widget(i);
        // A page takes the page area's width at once (a hidden window lays its children out only
        // when it is shown); its height at that width is what it needs.
        page->resize(m_pageArea->size());
        need = std::max(need, page->sizeHint().height());
    }
    const int spare = m_pageArea->height() - need;
    if (need > 0 && spare > 0) {
        resize(width(), std::max(minimumHeight(), height() - spare));
    }
}

void CMainFrame::OnLookCommand(int id) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (const auto look = m_look.Choose(id)) {
        ApplyLook(*look);
    }
    update();
    m_ribbon->UpdateLookChecks([this](int itemId) { return m_look.IsChecked(itemId); });
    WriteStoredLook(m_look.ValueToStore());
    QApplication::restoreOverrideCursor();
}

void CMainFrame::ApplyLook(AppLook look) {
    m_applyingLook = true;
    const LookTheme theme = ThemeFor(look, m_desktopPalette);
    QApplication::setPalette(theme.palette);
    m_ribbon->setStyleSheet(RibbonStyleSheet(theme.ribbon));
    statusBar()->setStyleSheet(StatusBarStyleSheet(theme.ribbon));
    m_applyingLook = false;
}

void CMainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // The desktop changed its palette (a switch to a dark theme, say): Default follows it.
    if (event->type() == QEvent::ApplicationPaletteChange && !m_applyingLook &&
        m_look.CurrentLook() == AppLook::Default) {
        m_desktopPalette = QApplication::palette();
        ApplyLook(AppLook::Default);
    }
}

void CMainFrame::SetStatusText(const QString& text) {
    if (m_statusPane->text() != text) {
        m_statusPane->setText(text);
    }
}

void CMainFrame::ShowModal(const std::string& text) {
    const QString message = QString::fromStdString(text);
    RunMessageBox(this, KindOfNotice(message), message);
}

}  // namespace vanto::gui
