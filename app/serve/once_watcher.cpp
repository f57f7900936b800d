#include "app/serve/once_watcher.h"

namespace vanto::serve {
namespace {

constexpr const char* kStarted = "Communication started...";
constexpr const char* kIdle = "Waiting for request...";
constexpr const char* kEnded = "End of Communication";

// The page's texts may carry a trailing line feed.
std::string Trimmed(const std::string& text) {
    std::string t = text;
    while (!t.empty() && (t.back() == '\n' || t.back() == '\r')) {
        t.pop_back();
    }
    return t;
}

}  // namespace

void OnceWatcher::OnLine(const std::string& text) {
    if (m_bDone) {
        return;
    }
    const std::string line = Trimmed(text);
    if (line == kStarted) {
        // A new request during an exchange starts it over: judge the one that runs now.
        m_bAccepted = true;
        m_bBoxShown = false;
        m_strLast = line;
        return;
    }
    if (!m_bAccepted) {
        return;
    }
    if (line == kIdle) {
        m_bDone = true;
        m_bSuccess = m_strLast == kEnded && !m_bBoxShown;
        return;
    }
    m_strLast = line;
}

bool OnceWatcher::EndsWell() const {
    return m_bAccepted && (m_bDone ? m_bSuccess : m_strLast == kEnded && !m_bBoxShown);
}

void OnceWatcher::OnBox() {
    if (m_bAccepted && !m_bDone) {
        m_bBoxShown = true;
    }
}

}  // namespace vanto::serve
