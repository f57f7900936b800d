#pragma once
// The "User Icon Edit" dialog: a resizable dialog holding the scrolling form of 65 icon cells and
// the OK ("확인") and Cancel ("취소") buttons, which follow the dialog's lower right corner when it
// is resized. The editing itself is iconedit::IconEditController and CIconEditFormView; this class
// shows what they decide and asks the user what they ask.
//
// The cells answer the pointer (a highlight and a pointing hand over a cell, a click opens its
// menu) and the keyboard alike: the cells are one stop of the Tab key, the arrow keys move between
// them, Enter or Space opens the focused cell's menu below it and Delete empties it.

#include <QDialog>
#include <QPoint>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "iconedit/icon_edit_controller.h"
#include "iconedit/icon_file.h"

class QLabel;
class QPushButton;
class QScrollArea;
class QResizeEvent;

namespace vanto::gui {

// The prompts the dialog shows. Each one left empty uses the real thing (QFileDialog, QMessageBox,
// QMenu); tests put in scripted answers so that nothing blocks.
struct IconEditPrompts {
    // (filter, proposed name) -> chosen path or nothing
    std::function<std::optional<std::string>(const std::string&, const std::string&)> openFile;
    std::function<std::optional<std::string>(const std::string&, const std::string&)> saveFile;
    // (text, caption)
    std::function<void(const std::string&, const std::string&)> warning;
    // (cell id, enabled items) -> chosen command or nothing
    std::function<std::optional<iconedit::IconMenuCommand>(int, const iconedit::IconMenuState&)>
        cellMenu;
    // The random source of the file's seed; the system's when empty.
    std::shared_ptr<RandomSource> random;
};

class CIconEditDialog : public QDialog {
public:
    explicit CIconEditDialog(QWidget* parent = nullptr, IconEditPrompts prompts = {});
    ~CIconEditDialog() override;

    void SetPath(const std::string& path);
    std::string GetPath() const;

    // The start prompt and the loading of the chosen file. exec() runs it first when it has not
    // run yet; tests call it directly.
    void InitDialog();
    int exec() override;

    // Shown for tests and the pages: the cell label of control `id` (nullptr for other ids), the
    // buttons and the form.
    QLabel* CellWidget(int id) const;
    // The control id of the cell that has the dialog's keyboard focus, or 0.
    int FocusedCell() const;
    QPushButton* OkButton() const { return m_okButton.get(); }
    QPushButton* CancelButton() const { return m_cancelButton.get(); }
    QScrollArea* Form() const { return m_form.get(); }
    // The icon set as edited so far.
    const IconFile& Icons() const;

    void accept() override;
    void reject() override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    class Ui;
    class CellLabel;

    void BuildForm();
    // The cell the arrow `key` leads to from `from`, or null at the edge.
    CellLabel* Neighbour(const CellLabel& from, int key) const;
    // The keyboard's commands on a cell.
    void OpenCellMenuBelow(CellLabel& cell);
    void EmptyCell(int id);
    // The title of a prompt for `filter` while the cell `m_promptCell` (0: none) is being edited.
    QString PromptTitle(const std::string& filter, bool save) const;

    IconEditPrompts m_prompts;
    std::unique_ptr<Ui> m_ui;
    std::unique_ptr<iconedit::ImageCodec> m_codec;
    std::shared_ptr<RandomSource> m_random;
    std::unique_ptr<iconedit::IconEditController> m_logic;
    // Widgets, parents before their children: members are destroyed in reverse order, so each
    // child goes before its parent.
    std::unique_ptr<QScrollArea> m_form;
    std::unique_ptr<QWidget> m_formContent;
    std::vector<std::unique_ptr<QLabel>> m_labels;
    std::map<int, std::unique_ptr<CellLabel>> m_cells;
    std::unique_ptr<QPushButton> m_okButton;
    std::unique_ptr<QPushButton> m_cancelButton;
    bool m_initialised = false;
    // While a cell's command runs: the cell, and where its menu opens when the keyboard opened it.
    int m_promptCell = 0;
    std::optional<QPoint> m_menuAnchor;
};

}  // namespace vanto::gui
