#include "app/iconedit/icon_edit_dialog.h"

#include <QAction>
#include <QCursor>
#include <QFileDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QStringList>

#include "app/iconedit/empty_icon_pictures.h"
#include "app/iconedit/qimage_codec.h"
#include "iconedit/icon_edit_cells.h"

namespace vanto::gui {
namespace {

// Dialog template sizes in dialog units: the dialog 300 x 300, the buttons 43 x 13 at (200, 280)
// and (250, 280).
constexpr int kDialogUnitsWide = 300;
constexpr int kDialogUnitsHigh = 300;
constexpr int kButtonUnitsWide = 43;
constexpr int kButtonUnitsHigh = 13;
constexpr int kButtonUnitsTop = 280;
constexpr int kOkUnitsLeft = 200;
constexpr int kCancelUnitsLeft = 250;

// "User Icon (*.png)|*.png||" -> "User Icon (*.png)": each description with its pattern.
QString ToQtFilter(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) {
            break;
        }
        QString entry = parts[i];
        if (!entry.contains('(')) {
            entry += " (" + parts[i + 1] + ")";
        }
        filters << entry;
    }
    return filters.join(";;");
}

QRect ToQRect(const iconedit::CellRect& r) {
    return QRect(r.left, r.top, r.Width(), r.Height());
}

}  // namespace

// A picture cell: shows its picture centred and reports a click with its control id.
class CIconEditDialog::CellLabel : public QLabel {
public:
    CellLabel(QWidget* parent, int id, std::function<void(int)> onClick)
        : QLabel(parent), m_id(id), m_onClick(std::move(onClick)) {
        setAlignment(Qt::AlignCenter);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) {
            m_onClick(m_id);
        }
    }

private:
    int m_id;
    std::function<void(int)> m_onClick;
};

// The window side of the editor's logic.
class CIconEditDialog::Ui : public iconedit::IconEditUi {
public:
    explicit Ui(CIconEditDialog& dialog) : m_dialog(dialog) {}

    std::optional<std::string> PromptOpenFile(const std::string& filter,
                                              const std::string& proposedName) override {
        if (m_dialog.m_prompts.openFile) {
            return m_dialog.m_prompts.openFile(filter, proposedName);
        }
        const QString path = QFileDialog::getOpenFileName(
            &m_dialog, QString(), QString::fromStdString(proposedName), ToQtFilter(filter));
        if (path.isEmpty()) {
            return std::nullopt;
        }
        return path.toStdString();
    }

    std::optional<std::string> PromptSaveFile(const std::string& filter,
                                              const std::string& proposedName) override {
        if (m_dialog.m_prompts.saveFile) {
            return m_dialog.m_prompts.saveFile(filter, proposedName);
        }
        // The save dialog asks before replacing an existing file.
        const QString path = QFileDialog::getSaveFileName(
            &m_dialog, QString(), QString::fromStdString(proposedName), ToQtFilter(filter));
        if (path.isEmpty()) {
            return std::nullopt;
        }
        return path.toStdString();
    }

    void ShowWarning(const std::string& text, const std::string& caption) override {
        if (m_dialog.m_prompts.warning) {
            m_dialog.m_prompts.warning(text, caption);
            return;
        }
        QMessageBox::warning(m_dialog.m_formContent.get(), QString::fromStdString(caption),
                             QString::fromStdString(text));
    }

    std::optional<iconedit::IconMenuCommand> TrackCellMenu(
        int cellId, const iconedit::IconMenuState& state) override {
        if (m_dialog.m_prompts.cellMenu) {
            return m_dialog.m_prompts.cellMenu(cellId, state);
        }
        QMenu menu(m_dialog.m_formContent.get());
        QAction* open = menu.addAction(iconedit::kIconMenuOpenText);
        QAction* save = menu.addAction(iconedit::kIconMenuSaveText);
        QAction* remove = menu.addAction(iconedit::kIconMenuDeleteText);
        open->setEnabled(state.open);
        save->setEnabled(state.save);
        remove->setEnabled(state.remove);
        const QAction* chosen = menu.exec(QCursor::pos());
        if (chosen == open) {
            return iconedit::ID_ICON_OPEN;
        }
        if (chosen == save) {
            return iconedit::ID_ICON_SAVE;
        }
        if (chosen == remove) {
            return iconedit::ID_ICON_DELETE;
        }
        return std::nullopt;
    }

    void ShowEmptyPicture(int cellId) override {
        const std::optional<iconedit::IconCell> cell = iconedit::CellFromId(cellId);
        if (QLabel* label = m_dialog.CellWidget(cellId); label && cell) {
            label->setPixmap(EmptyPicture(cell->kind));
        }
    }

    void ShowPicture(int cellId, const iconedit::RgbaImage& picture) override {
        if (QLabel* label = m_dialog.CellWidget(cellId)) {
            label->setPixmap(QPixmap::fromImage(ToQImage(picture)));
        }
    }

    void ShowNoPicture(int cellId) override {
        if (QLabel* label = m_dialog.CellWidget(cellId)) {
            label->clear();
        }
    }

private:
    const QPixmap& EmptyPicture(IconKind kind) {
        QPixmap& picture = m_empty[kind];
        if (picture.isNull()) {
            picture = QPixmap::fromImage(DrawEmptyIconPicture(kind));
        }
        return picture;
    }

    CIconEditDialog& m_dialog;
    std::map<int, QPixmap> m_empty;
};

CIconEditDialog::CIconEditDialog(QWidget* parent, IconEditPrompts prompts)
    : QDialog(parent), m_prompts(std::move(prompts)) {
    m_ui = std::make_unique<Ui>(*this);
    m_codec = std::make_unique<QImageCodec>();
    m_random = m_prompts.random ? m_prompts.random : std::make_shared<SystemRandomSource>();
    m_logic = std::make_unique<iconedit::IconEditController>(*m_ui, *m_codec, *m_random);

    setWindowTitle(QString::fromUtf8(iconedit::kIconEditTitle));
    setSizeGripEnabled(true);
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);

    // Dialog units of the dialog's font: a quarter of the mean character width across, an eighth
    // of the character height down.
    const QFontMetrics metrics(font());
    const int baseX = std::max(
        1, metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 52);
    const int baseY = std::max(1, metrics.height());
    auto unitsX = [baseX](int units) { return units * baseX / 4; };
    auto unitsY = [baseY](int units) { return units * baseY / 8; };
    resize(unitsX(kDialogUnitsWide), unitsY(kDialogUnitsHigh));

    m_form = std::make_unique<QScrollArea>(this);
    m_form->setFrameShape(QFrame::Box);
    m_form->setObjectName("IconEditForm");
    m_form->setProperty("controlId", iconedit::kIconEditFormId);
    BuildForm();

    m_okButton = std::make_unique<QPushButton>(QString::fromUtf8(iconedit::kIconEditOkText), this);
    m_okButton->setDefault(true);
    m_okButton->setGeometry(unitsX(kOkUnitsLeft), unitsY(kButtonUnitsTop), unitsX(kButtonUnitsWide),
                            unitsY(kButtonUnitsHigh));
    m_cancelButton =
        std::make_unique<QPushButton>(QString::fromUtf8(iconedit::kIconEditCancelText), this);
    m_cancelButton->setGeometry(unitsX(kCancelUnitsLeft), unitsY(kButtonUnitsTop),
                                unitsX(kButtonUnitsWide), unitsY(kButtonUnitsHigh));
    connect(m_okButton.get(), &QPushButton::clicked, this, &CIconEditDialog::accept);
    connect(m_cancelButton.get(), &QPushButton::clicked, this, &CIconEditDialog::reject);

    const int buttonHeight = m_okButton->height();
    m_form->setGeometry(0, 0, width(), height() - 2 * buttonHeight);
}

CIconEditDialog::~CIconEditDialog() = default;

void CIconEditDialog::BuildForm() {
    m_formContent = std::make_unique<QWidget>();
    m_formContent->setFixedSize(iconedit::kIconFormWidth, iconedit::kIconFormHeight);
    m_formContent->setAutoFillBackground(true);

    for (const iconedit::FormLabel& text : iconedit::AllFormLabels()) {
        auto label =
            std::make_unique<QLabel>(QString::fromStdString(text.text), m_formContent.get());
        label->setGeometry(ToQRect(text.rect));
        label->setAlignment(text.centred ? Qt::AlignCenter : (Qt::AlignLeft | Qt::AlignVCenter));
        m_labels.push_back(std::move(label));
    }
    for (const iconedit::IconCell& cell : iconedit::AllIconCells()) {
        auto label = std::make_unique<CellLabel>(m_formContent.get(), cell.id, [this](int id) {
            if (m_logic->View()) {
                m_logic->View()->OnIconCell(id);
            }
        });
        label->setGeometry(ToQRect(cell.rect));
        label->setPixmap(QPixmap::fromImage(DrawEmptyIconPicture(cell.kind)));
        m_cells[cell.id] = std::move(label);
    }
    // The scroll area takes the content as its child; the unique_ptr still ends it first.
    m_form->setWidget(m_formContent.get());
}

QLabel* CIconEditDialog::CellWidget(int id) const {
    const auto it = m_cells.find(id);
    return it == m_cells.end() ? nullptr : it->second.get();
}

void CIconEditDialog::SetPath(const std::string& path) {
    m_logic->SetPath(path);
}

std::string CIconEditDialog::GetPath() const {
    return m_logic->GetPath();
}

void CIconEditDialog::InitDialog() {
    if (m_initialised) {
        return;
    }
    m_initialised = true;
    const QRect client = rect();
    m_logic->OnInitDialog({client.left(), client.top(), client.right() + 1, client.bottom() + 1},
                          m_okButton->height());
    const iconedit::CellRect form = m_logic->FormRect();
    m_form->setGeometry(ToQRect(form));
}

int CIconEditDialog::exec() {
    InitDialog();
    return QDialog::exec();
}

void CIconEditDialog::accept() {
    if (m_logic->OnOK()) {
        QDialog::accept();
    }
}

void CIconEditDialog::reject() {
    m_logic->OnCancel();
    QDialog::reject();
}

void CIconEditDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (!m_okButton || !m_cancelButton) {
        return;
    }
    const std::optional<iconedit::IconEditController::SizeChange> change =
        m_logic->OnSize(event->size().width(), event->size().height());
    if (!change) {
        return;
    }
    for (QPushButton* button : {m_cancelButton.get(), m_okButton.get()}) {
        button->move(button->pos() + QPoint(change->dx, change->dy));
        button->update();
    }
    m_form->setGeometry(ToQRect(change->form));
    m_form->update();
}

}  // namespace vanto::gui
