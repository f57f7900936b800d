#include "app/serve/headless_form.h"

#include <utility>

namespace vanto::serve {

HeadlessForm::HeadlessForm(LineSink onLine, LineSink onBox, bool answerOk)
    : m_onLine(std::move(onLine)), m_onBox(std::move(onBox)), m_bAnswerOk(answerOk) {}

void HeadlessForm::SetMessageLine(int mode, const std::string& text) {
    if (mode != 0 && mode != 1) {
        return;
    }
    m_lines[static_cast<std::size_t>(mode)] = text;
    if (mode == m_nShownMode && m_onLine) {
        m_onLine(text);
    }
}

void HeadlessForm::SetFileText(int mode, const std::string& text) {
    if (mode == 0 || mode == 1) {
        m_fileTexts[static_cast<std::size_t>(mode)] = text;
    }
}

void HeadlessForm::SetProgressRange(int /*lower*/, int /*upper*/) {}

void HeadlessForm::SetProgressStep(int /*step*/) {}

void HeadlessForm::SetProgressPos(int pos) {
    m_nPos = pos;
}

void HeadlessForm::ShowMessageBox(const std::string& text) {
    if (m_onBox) {
        m_onBox(text);
    }
}

bool HeadlessForm::AskOkCancel(const std::string& text) {
    if (m_onBox) {
        m_onBox(text + (m_bAnswerOk ? " [OK]" : " [Cancel]"));
    }
    return m_bAnswerOk;
}

void HeadlessForm::ShowMode(int mode) {
    if ((mode != 0 && mode != 1) || mode == m_nShownMode) {
        return;
    }
    m_nShownMode = mode;
    // The other mode's line comes into view with whatever it holds.
    const std::string& shown = m_lines[static_cast<std::size_t>(mode)];
    if (!shown.empty() && m_onLine) {
        m_onLine(shown);
    }
}

}  // namespace vanto::serve
