#include "app/gui/forms/function_form.h"

#include <QEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <algorithm>

#include "app/gui/hints.h"
#include "app/gui/pictures.h"
#include "app/gui/qt_owned.h"
#include "app/widgets/message_box.h"

namespace vanto::gui {

namespace {

// Every label of the label column on the six pages.
constexpr const char* kColumnLabels[] = {"Application:", "Database:", "User Data:", "One Device:",
                                         "User Icon:",   "Progress:", "Message:"};

// Texts may end with a line feed ("File could not be opened %d\n"); the line shows one line.
QString LineText(const std::string& text) {
    QString line = QString::fromStdString(text);
    while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r'))) {
        line.chop(1);
    }
    return line;
}

}  // namespace

namespace {

// The icon pages' "Edit" button; every page's file row is as high, so no row moves between pages.
void ShapeEditButton(QPushButton& button) {
    button.setIcon(EditIcon());
    button.setIconSize(QSize(48, 32));
    button.setFixedSize(button.sizeHint().expandedTo(QSize(54, 38)));
}

}  // namespace

int LabelColumnWidth(const QFontMetrics& metrics) {
    int width = 0;
    for (const char* label : kColumnLabels) {
        width = std::max(width, metrics.horizontalAdvance(QString::fromUtf8(label)));
    }
    return width + 4;
}

FunctionForm::FunctionForm(const FormLayout& layout, QWidget* parent)
    : QWidget(parent), m_layout(layout) {
    auto* outer = MakeQtOwned<QVBoxLayout>(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_scroller = MakeQtOwned<QScrollArea>(this);
    m_scroller->setObjectName(QStringLiteral("PageScroller"));
    m_scroller->setFrameShape(QFrame::NoFrame);
    m_scroller->setWidgetResizable(true);
    m_scroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    outer->addWidget(m_scroller);

    m_content = MakeQtOwned<QWidget>();
    m_content->setObjectName(QStringLiteral("PageContent"));
    BuildRows(*m_content);
    m_scroller->setWidget(m_content);
    ShowMode(0);
}

void FunctionForm::BuildRows(QWidget& content) {
    auto* page = MakeQtOwned<QVBoxLayout>(&content);
    page->setContentsMargins(8, 6, 8, 6);
    m_group = MakeQtOwned<QGroupBox>(&content);
    page->addWidget(m_group);
    page->addStretch(1);

    auto* column = MakeQtOwned<QVBoxLayout>(m_group);
    column->setSpacing(8);
    for (int m = 0; m < m_layout.modes; ++m) {
        m_banner[m] =
            MakeQtOwned<PageBanner>(m_layout.mode[m].bannerTitle, m_layout.colour, m_group);
        m_banner[m]->setObjectName(QStringLiteral("Banner%1").arg(m));
        column->addWidget(m_banner[m]);
    }

    auto* grid = MakeQtOwned<QGridLayout>();
    column->addLayout(grid);
    grid->setColumnStretch(1, 1);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(8);
    grid->setColumnMinimumWidth(0, LabelColumnWidth(QFontMetrics(font())));

    // Row 0: the mode buttons of the user data pages; the same room stays empty on the others.
    auto* radios = MakeQtOwned<QHBoxLayout>();
    grid->addLayout(radios, 0, 0, 1, 2);
    const char* labels[2] = {"User Data", "One Device"};
    if (m_layout.modes == 2) {
        m_radioGroup = MakeQtOwned<QButtonGroup>(this);
        radios->addStretch(1);
        for (int m = 0; m < 2; ++m) {
            m_radio[m] = MakeQtOwned<QRadioButton>(QString::fromLatin1(labels[m]), m_group);
            m_radio[m]->setObjectName(QStringLiteral("ModeRadio%1").arg(m));
            m_radioGroup->addButton(m_radio[m], m);
            radios->addWidget(m_radio[m]);
            radios->addSpacing(24);
        }
        radios->addStretch(1);
        connect(m_radioGroup, &QButtonGroup::idClicked, this, [this](int mode) {
            if (onModeClicked) {
                onModeClicked(mode);
            }
        });
    }
    grid->setRowMinimumHeight(0, QRadioButton(QString::fromLatin1(labels[0])).sizeHint().height());

    QPushButton probe;
    ShapeEditButton(probe);
    grid->setRowMinimumHeight(1, probe.height());
    m_fileLabel = MakeQtOwned<QLabel>(m_layout.mode[0].fileLabel, m_group);
    m_fileLabel->setObjectName(QStringLiteral("FileLabel"));
    grid->addWidget(m_fileLabel, 1, 0);
    auto* fileRow = MakeQtOwned<QHBoxLayout>();
    fileRow->setSpacing(2);
    grid->addLayout(fileRow, 1, 1);
    for (int m = 0; m < m_layout.modes; ++m) {
        m_file[m] = MakeQtOwned<QLineEdit>(m_group);
        m_file[m]->setObjectName(QStringLiteral("FileEdit%1").arg(m));
        m_file[m]->setReadOnly(true);
        m_file[m]->setMinimumWidth(60);
        // A read-only box shows no caret; the end of a long path stays in view.
        m_file[m]->setCursor(Qt::ArrowCursor);
        m_file[m]->setAccessibleName(m_layout.mode[m].fileLabel.chopped(1));
        m_browse[m] = MakeQtOwned<QToolButton>(m_group);
        m_browse[m]->setObjectName(QStringLiteral("BrowseButton%1").arg(m));
        m_browse[m]->setText(QStringLiteral("..."));
        m_browse[m]->setAccessibleName(QStringLiteral("Browse"));
        SetCommandHints(*m_browse[m], QStringLiteral("Browse"), m_layout.mode[m].browseTitle);
        connect(m_browse[m], &QToolButton::clicked, this, [this, m] { Browse(m); });
        fileRow->addWidget(m_file[m], 1);
        fileRow->addWidget(m_browse[m]);
    }
    if (m_layout.editButton) {
        m_edit = MakeQtOwned<QPushButton>(m_group);
        m_edit->setObjectName(QStringLiteral("EditButton"));
        m_edit->setAccessibleName(QStringLiteral("Edit"));
        SetCommandHints(*m_edit, QStringLiteral("Edit"),
                        QStringLiteral("Open the icon editor on this user icon file"));
        ShapeEditButton(*m_edit);
        connect(m_edit, &QPushButton::clicked, this, [this] {
            if (onEditClicked) {
                onEditClicked();
            }
        });
        fileRow->addSpacing(6);
        fileRow->addWidget(m_edit);
    }

    grid->addWidget(MakeQtOwned<QLabel>(QStringLiteral("Progress:"), m_group), 2, 0);
    m_progress = MakeQtOwned<QProgressBar>(m_group);
    m_progress->setObjectName(QStringLiteral("ProgressBar"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_progress->setFixedHeight(14);
    StyleProgressBar();
    grid->addWidget(m_progress, 2, 1);

    grid->addWidget(MakeQtOwned<QLabel>(QStringLiteral("Message:"), m_group), 3, 0, Qt::AlignTop);
    auto* messages = MakeQtOwned<QVBoxLayout>();
    grid->addLayout(messages, 3, 1);
    const int twoLines = 2 * QFontMetrics(font()).lineSpacing();
    for (int m = 0; m < m_layout.modes; ++m) {
        m_message[m] = MakeQtOwned<QLabel>(m_layout.mode[m].firstMessage, m_group);
        m_message[m]->setObjectName(QStringLiteral("MessageLine%1").arg(m));
        m_message[m]->setWordWrap(true);
        m_message[m]->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        // Room for a message that wraps, so the page keeps its height.
        m_message[m]->setMinimumHeight(twoLines);
        messages->addWidget(m_message[m]);
    }
    for (int m = m_layout.modes; m < 2; ++m) {
        m_banner[m] = m_banner[0];
        m_file[m] = m_file[0];
        m_browse[m] = m_browse[0];
        m_message[m] = m_message[0];
    }
}

void FunctionForm::StyleProgressBar() {
    // The bar's trough follows the look's palette; its chunk keeps the page colour.
    const QPalette& colours = palette();
    m_progress->setStyleSheet(
        QStringLiteral("QProgressBar { border: 1px solid %1; background: %2; }"
                       "QProgressBar::chunk { background: %3; }")
            .arg(colours.color(QPalette::Mid).name(), colours.color(QPalette::Base).name(),
                 m_layout.colour.name()));
}

void FunctionForm::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_progress != nullptr) {
        StyleProgressBar();
    }
}

QSize FunctionForm::sizeHint() const {
    QSize hint = m_content->sizeHint();
    if (m_content->hasHeightForWidth() && width() > 0) {
        hint.setHeight(m_content->heightForWidth(width()));
    }
    return hint;
}

BrowseRequest FunctionForm::BrowseRequestFor(int mode) const {
    const FormLayout::Mode& layout = m_layout.mode[mode == 1 ? 1 : 0];
    BrowseRequest request;
    request.title = layout.browseTitle;
    request.filter = QtFileFilter(layout.filter);
    request.defaultSuffix = layout.defaultSuffix;
    request.save = m_layout.newNames;
    // The page asks its own overwrite question once a name is chosen.
    request.confirmOverwrite = false;
    request.current = m_file[mode == 1 ? 1 : 0]->text();
    return request;
}

void FunctionForm::Browse(int mode) {
    const BrowseRequest request = BrowseRequestFor(mode);
    const std::optional<QString> chosen =
        m_chooser ? m_chooser(request) : RunFileDialog(this, request);
    if (chosen && onBrowseChosen) {
        onBrowseChosen(chosen->toStdString());
    }
}

void FunctionForm::SetMessageLine(int mode, const std::string& text) {
    m_message[mode == 1 ? 1 : 0]->setText(LineText(text));
}

void FunctionForm::SetFileText(int mode, const std::string& text) {
    QLineEdit* edit = m_file[mode == 1 ? 1 : 0];
    edit->setText(QString::fromStdString(text));
    edit->end(false);
}

void FunctionForm::SetProgressRange(int lower, int upper) {
    m_progress->setRange(lower, upper);
}

void FunctionForm::SetProgressPos(int pos) {
    m_progress->setValue(pos);
}

void FunctionForm::ShowMessageBox(const std::string& text) {
    const QString message = QString::fromStdString(text);
    if (m_boxAnswer) {
        m_boxAnswer(message, false);
        return;
    }
    RunMessageBox(this, KindOfNotice(message), message);
}

bool FunctionForm::AskOkCancel(const std::string& text) {
    const QString message = QString::fromStdString(text);
    if (m_boxAnswer) {
        return m_boxAnswer(message, true);
    }
    // The overwrite question is a warning: OK replaces the file's content at the next upload.
    return RunMessageBox(this, BoxKind::Warning, message, QMessageBox::Ok | QMessageBox::Cancel) ==
           QMessageBox::Ok;
}

void FunctionForm::ShowMode(int mode) {
    m_nShownMode = mode == 1 && m_layout.modes == 2 ? 1 : 0;
    for (int m = 0; m < m_layout.modes; ++m) {
        const bool shown = m == m_nShownMode;
        m_banner[m]->setVisible(shown);
        m_file[m]->setVisible(shown);
        m_browse[m]->setVisible(shown);
        m_message[m]->setVisible(shown);
    }
    m_fileLabel->setText(m_layout.mode[m_nShownMode].fileLabel);
    if (m_radio[m_nShownMode] != nullptr) {
        m_radio[m_nShownMode]->setChecked(true);
    }
}

}  // namespace vanto::gui
