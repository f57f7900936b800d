#pragma once
// FunctionForm: the Qt form of a function page. Banner, file box with a browse button (and the
// "Edit" button on the icon pages), the coloured progress bar and the message line; the two user
// data pages also have the "User Data" / "One Device" radio buttons and one file box, message
// line and banner per mode. Every page has the same rows at the same places and one label column
// as wide as the widest label of all six, so switching pages moves nothing. When the window is
// too small for the page, the page scrolls. The form is thin: it shows what its page logic tells
// it through PageForm and reports the user's actions to the page through the handlers.

#include <QButtonGroup>
#include <QColor>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QToolButton>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>

#include "app/gui/page_banner.h"
#include "app/widgets/file_dialog.h"
#include "pages/page_form.h"

namespace vanto::gui {

struct FormLayout {
    struct Mode {
        QString bannerTitle;  // drawn in the page colour on black
        QString fileLabel;    // "Application:", "User Data:", ...
        QString defaultSuffix;
        QString filter;  // "Name|*.ext|All files|*.*||"
        QString firstMessage;
        QString browseTitle;  // the file dialog's title and the browse button's description
    };
    QColor colour;
    int modes = 1;            // 2 on the user data pages
    bool newNames = false;    // upload pages: a save dialog that names an output file
    bool editButton = false;  // the icon pages
    std::array<Mode, 2> mode;
};

// What the file dialog is asked for.
using BrowseRequest = FileDialogRequest;

// The width of the label column: the widest label of the six pages in `metrics`' font.
int LabelColumnWidth(const QFontMetrics& metrics);

class FunctionForm final : public QWidget, public vanto::PageForm {
    Q_OBJECT
public:
    using FileChooser = std::function<std::optional<QString>(const BrowseRequest&)>;

    explicit FunctionForm(const FormLayout& layout, QWidget* parent = nullptr);

    // The height the page needs at its present width (the frame fits itself to it).
    QSize sizeHint() const override;

    // Handlers the page view connects to its page logic.
    std::function<void(const std::string& path)> onBrowseChosen;
    std::function<void(int mode)> onModeClicked;
    std::function<void()> onEditClicked;

    // Replaces the file dialog (tests).
    void SetFileChooser(FileChooser chooser) { m_chooser = std::move(chooser); }
    // Replaces the message boxes (tests): the text, and for a question whether OK was chosen.
    void SetBoxAnswerer(std::function<bool(const QString& text, bool question)> answer) {
        m_boxAnswer = std::move(answer);
    }

    // PageForm
    void SetMessageLine(int mode, const std::string& text) override;
    void SetFileText(int mode, const std::string& text) override;
    void SetProgressRange(int lower, int upper) override;
    void SetProgressStep(int step) override { m_nProgressStep = step; }
    void SetProgressPos(int pos) override;
    void ShowMessageBox(const std::string& text) override;
    bool AskOkCancel(const std::string& text) override;
    void ShowMode(int mode) override;

    // For tests and screenshots.
    QString MessageText(int mode) const { return m_message[mode]->text(); }
    QString FileText(int mode) const { return m_file[mode]->text(); }
    int ProgressValue() const { return m_progress->value(); }
    int ProgressStep() const { return m_nProgressStep; }
    int ShownMode() const { return m_nShownMode; }
    QToolButton& BrowseButton(int mode) { return *m_browse[mode]; }
    QRadioButton* ModeRadio(int mode) { return m_radio[mode]; }
    QPushButton* EditButton() { return m_edit; }
    const PageBanner& Banner(int mode) const { return *m_banner[mode]; }
    QLabel& FileLabel() { return *m_fileLabel; }
    QLineEdit& FileEdit(int mode) { return *m_file[mode]; }
    QScrollArea& Scroller() { return *m_scroller; }
    QColor BarColour() const { return m_layout.colour; }
    // The file dialog request the browse button of `mode` makes.
    BrowseRequest BrowseRequestFor(int mode) const;

protected:
    void changeEvent(QEvent* event) override;

private:
    void Browse(int mode);
    void StyleProgressBar();
    void BuildRows(QWidget& content);

    FormLayout m_layout;
    FileChooser m_chooser;
    std::function<bool(const QString&, bool)> m_boxAnswer;
    int m_nProgressStep = 1;
    int m_nShownMode = 0;
    // Children, owned by the widget tree.
    QScrollArea* m_scroller = nullptr;
    QWidget* m_content = nullptr;
    QGroupBox* m_group = nullptr;
    std::array<PageBanner*, 2> m_banner{};
    std::array<QRadioButton*, 2> m_radio{};
    QButtonGroup* m_radioGroup = nullptr;
    QLabel* m_fileLabel = nullptr;
    std::array<QLineEdit*, 2> m_file{};
    std::array<QToolButton*, 2> m_browse{};
    QPushButton* m_edit = nullptr;
    QProgressBar* m_progress = nullptr;
    std::array<QLabel*, 2> m_message{};
};

}  // namespace vanto::gui
