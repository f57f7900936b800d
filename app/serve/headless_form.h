#pragma once
// The form of a function page without a window. The page that is showing gets a printing form:
// every text its message line shows goes out as one line (only the line of the mode that is
// shown, as the window would show it), message boxes as "box: TEXT", and the overwrite question
// is answered by a fixed choice (--yes). The other pages get a silent form.

#include <array>
#include <functional>
#include <string>

#include "pages/page_form.h"

namespace vanto::serve {

class HeadlessForm final : public PageForm {
public:
    using LineSink = std::function<void(const std::string& text)>;

    // `onLine` receives each message-line text shown, `onBox` each message-box text (the
    // question included). Either may be empty (a silent form).
    HeadlessForm(LineSink onLine, LineSink onBox, bool answerOk);

    void SetMessageLine(int mode, const std::string& text) override;
    void SetFileText(int mode, const std::string& text) override;
    void SetProgressRange(int lower, int upper) override;
    void SetProgressStep(int step) override;
    void SetProgressPos(int pos) override;
    void ShowMessageBox(const std::string& text) override;
    bool AskOkCancel(const std::string& text) override;
    void ShowMode(int mode) override;

    int ShownMode() const { return m_nShownMode; }
    const std::string& Line(int mode) const { return m_lines.at(mode); }
    const std::string& FileText(int mode) const { return m_fileTexts.at(mode); }
    int ProgressPos() const { return m_nPos; }

private:
    LineSink m_onLine;
    LineSink m_onBox;
    bool m_bAnswerOk;
    int m_nShownMode = 0;
    std::array<std::string, 2> m_lines;
    std::array<std::string, 2> m_fileTexts;
    int m_nPos = 0;
};

}  // namespace vanto::serve
