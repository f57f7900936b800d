#include "app/iconedit/icon_edit_dialog.h"

#include <QAction>
#include <QCursor>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QStringList>
#include <cstdlib>

#include "app/iconedit/empty_icon_pictures.h"
#include "app/iconedit/qimage_codec.h"
#include "app/widgets/file_dialog.h"
#include "app/widgets/message_box.h"
#include "iconedit/icon_edit_cells.h"
#include "iconedit/icon_edit_rules.h"

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
// The smallest the dialog may be made: a device row with its titles and both buttons.
constexpr int kMinimumWidth = 300;
constexpr int kMinimumHeight = 230;

QString CellName(const iconedit::IconCell& cell) {
    const char* kind = cell.kind == ICON_DEVICE   ? "device icon"
                       : cell.kind == ICON_DEVSEL ? "device selection icon"
                                                  : "key icon";
    return QStringLiteral("%1 %2").arg(QString::fromLatin1(kind)).arg(cell.index + 1);
}

QRect ToQRect(const iconedit::CellRect& r) {
    return QRect(r.left, r.top, r.Width(), r.Height());
}

}  // namespace

// A picture cell: shows its picture centred, reports a click with its control id and takes the
// keyboard: arrows move to the next cell, Enter or Space opens its menu, Delete empties it, Tab
// leaves the cells for the buttons.
class CIconEditDialog::CellLabel : public QLabel {
public:
    struct Handlers {
        std::function<void(int)> click;
        std::function<void(CellLabel&, int key)> key;
        std::function<void(CellLabel&)> focused;
        std::function<void(bool next)> leave;  // Tab or Shift+Tab out of the cells
    };

    CellLabel(QWidget* parent, int id, QString name, Handlers handlers)
        : QLabel(parent), m_id(id), m_handlers(std::move(handlers)) {
        setAlignment(Qt::AlignCenter);
        setFocusPolicy(Qt::StrongFocus);
        setCursor(Qt::PointingHandCursor);
        setAccessibleName(name);
        setObjectName(QStringLiteral("IconCell%1").arg(id));
    }

    int Id() const { return m_id; }
    bool Hovered() const { return m_hovered; }

protected:
    // The 65 cells are one stop of the Tab key: the arrows move among them.
    bool focusNextPrevChild(bool next) override {
        m_handlers.leave(next);
        return true;
    }

    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) {
            setFocus(Qt::MouseFocusReason);
            m_handlers.click(m_id);
        }
    }

    void keyPressEvent(QKeyEvent* event) override {
        switch (event->key()) {
            case Qt::Key_Up:
            case Qt::Key_Down:
            case Qt::Key_Left:
            case Qt::Key_Right:
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_Space:
            case Qt::Key_Delete:
                m_handlers.key(*this, event->key());
                event->accept();
                return;
            default:
                QLabel::keyPressEvent(event);
        }
    }

    void enterEvent(QEnterEvent* event) override {
        m_hovered = true;
        update();
        QLabel::enterEvent(event);
    }

    void leaveEvent(QEvent* event) override {
        m_hovered = false;
        update();
        QLabel::leaveEvent(event);
    }

    void focusInEvent(QFocusEvent* event) override {
        QLabel::focusInEvent(event);
        m_handlers.focused(*this);
        update();
    }

    void focusOutEvent(QFocusEvent* event) override {
        QLabel::focusOutEvent(event);
        update();
    }

    // The picture, then a tint and a frame in the selection colour under the pointer, and a
    // thicker frame on the cell that has the keyboard focus.
    void paintEvent(QPaintEvent* event) override {
        QLabel::paintEvent(event);
        if (!m_hovered && !hasFocus()) {
            return;
        }
        QPainter painter(this);
        QColor highlight = palette().color(QPalette::Highlight);
        if (m_hovered) {
            QColor tint = highlight;
            tint.setAlpha(40);
            painter.fillRect(rect(), tint);
        }
        const int pen = hasFocus() ? 3 : 1;
        painter.setPen(QPen(highlight, pen));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(rect()).adjusted(pen / 2.0, pen / 2.0, -pen / 2.0, -pen / 2.0));
    }

private:
    int m_id;
    Handlers m_handlers;
    bool m_hovered = false;
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
        return Run(filter, proposedName, false);
    }

    std::optional<std::string> PromptSaveFile(const std::string& filter,
                                              const std::string& proposedName) override {
        if (m_dialog.m_prompts.saveFile) {
            return m_dialog.m_prompts.saveFile(filter, proposedName);
        }
        // The save dialog asks before replacing an existing file; a name typed without an
        // extension gets the filter's.
        return Run(filter, proposedName, true);
    }

    void ShowWarning(const std::string& text, const std::string& caption) override {
        if (m_dialog.m_prompts.warning) {
            m_dialog.m_prompts.warning(text, caption);
            return;
        }
        RunMessageBox(m_dialog.m_formContent.get(), BoxKind::Warning, QString::fromStdString(text),
                      QMessageBox::Ok, QString::fromStdString(caption));
    }

    std::optional<iconedit::IconMenuCommand> TrackCellMenu(
        int cellId, const iconedit::IconMenuState& state) override {
        if (m_dialog.m_prompts.cellMenu) {
            return m_dialog.m_prompts.cellMenu(cellId, state);
        }
        QMenu menu(m_dialog.m_formContent.get());
        menu.setObjectName(QStringLiteral("IconCellMenu"));
        QAction* open = menu.addAction(iconedit::kIconMenuOpenText);
        QAction* save = menu.addAction(iconedit::kIconMenuSaveText);
        QAction* remove = menu.addAction(iconedit::kIconMenuDeleteText);
        open->setEnabled(state.open);
        save->setEnabled(state.save);
        remove->setEnabled(state.remove);
        // A menu opened from the keyboard opens below its cell, one opened by a click at the
        // pointer.
        const QAction* chosen = menu.exec(m_dialog.m_menuAnchor.value_or(QCursor::pos()));
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
    std::optional<std::string> Run(const std::string& filter, const std::string& proposedName,
                                   bool save) {
        FileDialogRequest request;
        request.title = m_dialog.PromptTitle(filter, save);
        request.filter = QtFileFilter(QString::fromStdString(filter));
        request.defaultSuffix = FirstFilterSuffix(QString::fromStdString(filter));
        request.save = save;
        request.confirmOverwrite = true;
        request.current = QString::fromStdString(proposedName);
        const std::optional<QString> path = RunFileDialog(&m_dialog, request);
        if (!path) {
            return std::nullopt;
        }
        return path->toStdString();
    }

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
    // Resizable, but no maximise button: the form scrolls instead.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setMinimumSize(kMinimumWidth, kMinimumHeight);

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
    CellLabel::Handlers handlers;
    handlers.click = [this](int id) {
        if (m_logic->View()) {
            m_promptCell = id;
            m_logic->View()->OnIconCell(id);
            m_promptCell = 0;
        }
    };
    handlers.key = [this](CellLabel& cell, int key) {
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
            OpenCellMenuBelow(cell);
        } else if (key == Qt::Key_Delete) {
            EmptyCell(cell.Id());
        } else if (CellLabel* next = Neighbour(cell, key)) {
            next->setFocus(Qt::OtherFocusReason);
        }
    };
    handlers.focused = [this](CellLabel& cell) { m_form->ensureWidgetVisible(&cell, 10, 10); };
    handlers.leave = [this](bool next) {
        (next ? m_okButton : m_cancelButton)
            ->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    };
    for (const iconedit::IconCell& cell : iconedit::AllIconCells()) {
        auto label =
            std::make_unique<CellLabel>(m_formContent.get(), cell.id, CellName(cell), handlers);
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

const IconFile& CIconEditDialog::Icons() const {
    return m_logic->View()->Icons();
}

int CIconEditDialog::FocusedCell() const {
    for (const auto& [id, cell] : m_cells) {
        if (cell.get() == focusWidget()) {
            return id;
        }
    }
    return 0;
}

CIconEditDialog::CellLabel* CIconEditDialog::Neighbour(const CellLabel& from, int key) const {
    // Cells stand in three columns (device, selection, key); up and down stay in the column,
    // left and right go to the next column's cell nearest in height.
    const QRect origin = from.geometry();
    const bool vertical = key == Qt::Key_Up || key == Qt::Key_Down;
    const int sign = key == Qt::Key_Up || key == Qt::Key_Left ? -1 : 1;
    CellLabel* best = nullptr;
    int bestColumn = 0;
    int bestDistance = 0;
    for (const auto& [id, cell] : m_cells) {
        const QRect r = cell->geometry();
        const int dx = r.left() - origin.left();
        const int dy = r.center().y() - origin.center().y();
        if (vertical ? (dx != 0 || dy * sign <= 0) : dx * sign <= 0) {
            continue;
        }
        const int column = vertical ? 0 : dx * sign;
        const int distance = std::abs(dy);
        if (best == nullptr || column < bestColumn ||
            (column == bestColumn && distance < bestDistance)) {
            best = cell.get();
            bestColumn = column;
            bestDistance = distance;
        }
    }
    return best;
}

void CIconEditDialog::OpenCellMenuBelow(CellLabel& cell) {
    if (!m_logic->View()) {
        return;
    }
    m_menuAnchor = cell.mapToGlobal(QPoint(0, cell.height()));
    m_promptCell = cell.Id();
    m_logic->View()->OnIconCell(cell.Id());
    m_promptCell = 0;
    m_menuAnchor.reset();
}

void CIconEditDialog::EmptyCell(int id) {
    iconedit::CIconEditFormView* view = m_logic->View();
    const std::optional<iconedit::IconCell> cell = iconedit::CellFromId(id);
    // Delete does what the menu's "Delete" does, and only where the menu offers it.
    if (view != nullptr && cell && view->MenuStateFor(*cell).remove) {
        view->OnIconDelete(*cell);
    }
}

QString CIconEditDialog::PromptTitle(const std::string& filter, bool save) const {
    const std::optional<iconedit::IconCell> cell = iconedit::CellFromId(m_promptCell);
    if (filter == iconedit::kPngFileFilter && cell) {
        return save ? QStringLiteral("Save the picture of %1 as").arg(CellName(*cell))
                    : QStringLiteral("Choose the picture for %1").arg(CellName(*cell));
    }
    return save ? QStringLiteral("Save the user icon file as")
                : QStringLiteral("Choose the user icon file to edit");
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
