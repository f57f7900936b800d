#include "app/serve/serve_session.h"

#include <QCoreApplication>
#include <QTimer>
#include <array>
#include <cstdio>
#include <memory>

#include "app/host/engine_host.h"
#include "app/serve/console_out.h"
#include "app/serve/frame_trace.h"
#include "app/serve/function_page_set.h"
#include "app/serve/headless_form.h"
#include "app/serve/once_watcher.h"
#include "app/serve/serve_options.h"
#include "app/serve/serve_remote.h"
#include "app/serve/signal_pipe.h"
#include "formats/posix_file_system.h"

namespace vanto::serve {
namespace {

using cli::kExitOk;
using cli::kExitRefused;
using cli::kExitUsage;

// The icon editor needs a window: headless, "Edit" is never offered, and a run ends as Cancel.
class NoIconEditor final : public IconEditorRunner {
public:
    bool Run(const std::string& /*proposedPath*/) override { return false; }
    std::string GetPath() const override { return {}; }
};

class Session {
public:
    explicit Session(const ServeOptions& options) : m_options(options) {}

    int Run();

private:
    class Alert final : public ModalAlert {
    public:
        explicit Alert(Session& session) : m_session(session) {}
        void ShowModal(const std::string& text) override { m_session.OnBox(text); }

    private:
        Session& m_session;
    };

    void OnLine(const std::string& text);
    void OnBox(const std::string& text);
    void OnSignal(int signo);
    void Finish(int status);
    // True when the page can serve the file given.
    bool ApplyModeAndFile();

    const ServeOptions& m_options;
    OnceWatcher m_watcher;
    Alert m_alert{*this};
    NoIconEditor m_editor;
    std::array<std::unique_ptr<HeadlessForm>, FUNC_COUNT> m_forms;
    std::unique_ptr<FunctionPageSet> m_pages;
    bool m_bFinishing = false;
    // From an accepted request until "End of Communication" or the return to idle.
    bool m_bInExchange = false;
    // The exchange that runs now, and whether an earlier one did not end well.
    OnceWatcher m_current;
    bool m_bFailureSeen = false;
    int m_nSignal = 0;
};

void Session::OnLine(const std::string& text) {
    PrintOutLine(text);
    std::string line = text;
    while (!line.empty() && line.back() == '\n') {
        line.pop_back();
    }
    if (line == "Communication started...") {
        m_bInExchange = true;
    } else if (line == "End of Communication" || line == "Waiting for request...") {
        m_bInExchange = false;
    }
    m_current.OnLine(text);
    if (m_current.Done()) {
        m_bFailureSeen = m_bFailureSeen || !m_current.Succeeded();
        m_current = OnceWatcher();
    }
    if (!m_options.once) {
        return;
    }
    m_watcher.OnLine(text);
    if (m_watcher.Done()) {
        // Leave the engine's call first; the loop ends on its next turn.
        Finish(m_watcher.Succeeded() ? kExitOk : kExitRefused);
    }
}

void Session::OnBox(const std::string& text) {
    PrintErrLine("box: " + text);
    m_watcher.OnBox();
    m_current.OnBox();
}

void Session::Finish(int status) {
    if (m_bFinishing) {
        return;
    }
    m_bFinishing = true;
    QTimer::singleShot(0, QCoreApplication::instance(),
                       [status] { QCoreApplication::exit(status); });
}

void Session::OnSignal(int signo) {
    m_nSignal = signo;
    // An exchange cut short is a failure; so is --once ended before its exchange, and serving
    // that saw an exchange end badly. One past its last message but not yet back at idle counts
    // as it stands.
    if (m_bInExchange) {
        Finish(128 + signo);
    } else if (m_options.once) {
        Finish(m_watcher.EndsWell() ? kExitOk : kExitRefused);
    } else {
        Finish(m_bFailureSeen || m_current.Failed() ? kExitRefused : kExitOk);
    }
}

bool Session::ApplyModeAndFile() {
    CKvMgrFormView* page = m_pages->View(m_options.function);
    if (m_options.mode >= 0) {
        page->OnModeChanged(m_options.mode);
    }
    // As a file chosen with the browse button: the page loads and checks it, or names it as its
    // output, at once.
    page->OnBrowseChosen(m_options.file);
    // Nobody can choose another file here, so a page that is not ready now never will be.
    return page->m_job.m_bFileReady == 1;
}

int Session::Run() {
    for (int i = 0; i < FUNC_COUNT; ++i) {
        const bool showing = i == m_options.function;
        HeadlessForm::LineSink onLine;
        HeadlessForm::LineSink onBox;
        if (showing) {
            onLine = [this](const std::string& text) { OnLine(text); };
            onBox = [this](const std::string& text) { OnBox(text); };
        }
        m_forms[static_cast<std::size_t>(i)] =
            std::make_unique<HeadlessForm>(onLine, onBox, m_options.yes);
    }
    m_pages = std::make_unique<FunctionPageSet>(
        [this](int index) -> PageForm& { return *m_forms[static_cast<std::size_t>(index)]; },
        DefaultFileSystem(), m_editor);
    m_pages->Show(m_options.function);
    if (!ApplyModeAndFile()) {
        PrintErrLine("serve: the file cannot be served");
        return kExitRefused;
    }

    auto link = MakeDeviceLink(m_options.link,
                               [](const std::string& text) { PrintErrLine("link: " + text); });
    host::EngineHost host(*m_pages, m_alert, std::move(link));
    host.SetStatusSink([](const std::string& text) { PrintErrLine("status: " + text); });
    FrameTracer tracer;
    if (m_options.trace) {
        host.SetTraceSink(&tracer);
    }
    SignalPipe signalPipe([this](int signo) { OnSignal(signo); });
    if (!signalPipe.Installed()) {
        PrintErrLine("serve: signal handling could not be set up");
    }

    host.Start();
    const int status = QCoreApplication::exec();
    host.Stop();
    // An upload cut short keeps its output file open until the page hears of the end.
    m_pages->View(m_options.function)->OnTransferNotify(TN_TRANSFER_END, {});
    if (m_nSignal != 0) {
        PrintErrLine("serve: interrupted");
    }
    return status;
}

}  // namespace

int RunServe(const ServeOptions& given) {
    ServeOptions options = given;
    if (std::string error; !ResolveChosenRemote(options.link, error)) {
        std::fprintf(stderr, "serve: %s\n", error.c_str());
        return kExitUsage;
    }
    static int argc = 1;
    static char name[] = "vanto-remote-manager";
    static char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    Session session(options);
    return session.Run();
}

}  // namespace vanto::serve
