#include "app/gui/tavro_app.h"

#include "app/core/product_title.h"
#include "app/gui/about_dlg.h"
#include "app/gui/pictures.h"

namespace vanto::gui {

CTavroApp::CTavroApp() : m_title(QString::fromStdString(vanto::BuildProductTitle())) {}

CTavroApp::~CTavroApp() {
    // No timer or received byte may reach a page that is going away.
    if (m_frame) {
        m_frame->StopEngine();
    }
    for (auto& page : m_apPages) {
        page.reset();
    }
    m_placeholderView.reset();
    m_frame.reset();
}

bool CTavroApp::InitInstance(Options options) {
    if (options.singleInstance) {
        m_guard = std::make_unique<SingleInstanceGuard>(
            options.instanceName.isEmpty() ? SingleInstanceGuard::DefaultServerName()
                                           : options.instanceName);
        if (m_guard->Claim() == SingleInstanceGuard::Role::kOther) {
            m_bOtherCopy = true;
            return false;
        }
        m_guard->SetRaiseHandler([this] { RaiseMainWindow(); });
    }

    if (options.frame.title.isEmpty()) {
        options.frame.title = m_title;
    }
    m_frame = std::make_unique<CMainFrame>(*this, *this, std::move(options.frame));
    m_frame->setWindowIcon(AppIcon());

    // The placeholder view fills the frame until the first switch.
    m_placeholderView = std::make_unique<QWidget>();
    m_placeholderView->setObjectName(QStringLiteral("CTavroView"));
    m_frame->SetActiveView(m_placeholderView.get());

    const FunctionPageFactory make = options.makePage ? options.makePage : MakeFunctionPage;
    for (int i = 0; i < vanto::FUNC_COUNT; ++i) {
        m_apPages[i] = make(i);
        if (!m_apPages[i]) {
            if (i == 0) {
                return false;
            }
            // A later page that cannot be built is replaced by an empty one.
            m_apPages[i] = MakePlaceholderPage(i);
        }
        QWidget& widget = m_apPages[i]->Widget();
        widget.hide();
        m_frame->PageArea().addWidget(&widget);
    }
    for (auto& page : m_apPages) {
        page->InitialUpdate();
    }
    SwitchPage(vanto::FUNC_APP_DOWNLOAD, m_frame->ActiveView());
    // The first page fits the frame to itself, shrinking only.
    m_frame->FitToPage();
    if (options.showWindow) {
        m_frame->show();
    }
    return true;
}

QWidget* CTavroApp::SwitchPage(int index, QWidget* current) {
    FunctionPageView* next = PageView(index);
    if (next == nullptr) {
        return current;
    }
    m_pShowingPage = next->Page();
    m_frame->SetActiveView(&next->Widget());
    return current;
}

void CTavroApp::OnAppAbout() {
    CAboutDlg about(m_title, m_frame.get());
    about.exec();
}

vanto::TransferPage* CTavroApp::Page(int index) {
    FunctionPageView* view = PageView(index);
    return view ? view->Page() : nullptr;
}

FunctionPageView* CTavroApp::PageView(int index) {
    if (index < 0 || index >= vanto::FUNC_COUNT) {
        return nullptr;
    }
    return m_apPages[index].get();
}

void CTavroApp::RaiseMainWindow() {
    if (!m_frame) {
        return;
    }
    m_frame->setWindowState((m_frame->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    m_frame->show();
    m_frame->raise();
    m_frame->activateWindow();
}

}  // namespace vanto::gui
