#include "app/gui/main_frame.h"

#include <QApplication>
#include <QMessageBox>
#include <QStatusBar>

#include "app/gui/look_style.h"
#include "app/gui/qt_owned.h"
#include "app/settings/app_settings.h"
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
    setStyleSheet(StyleSheetFor(look));
}

void CMainFrame::SetStatusText(const QString& text) {
    if (m_statusPane->text() != text) {
        m_statusPane->setText(text);
    }
}

void CMainFrame::ShowModal(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, windowTitle(), QString::fromStdString(text),
                    QMessageBox::Ok, this);
    box.exec();
}

}  // namespace vanto::gui
