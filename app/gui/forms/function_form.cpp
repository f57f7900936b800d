#include "app/gui/forms/function_form.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPixmap>
#include <QVBoxLayout>

#include "app/gui/pictures.h"
#include "app/gui/qt_owned.h"

namespace vanto::gui {

namespace {

// Texts may end with a line feed ("File could not be opened %d\n"); the line shows one line.
QString LineText(const std::string& text) {
    QString line = QString::fromStdString(text);
    while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r'))) {
        line.chop(1);
    }
    return line;
}

std::optional<QString> RunFileDialog(QWidget* parent, const BrowseRequest& request) {
    QFileDialog dialog(parent, request.title);
    dialog.setNameFilter(request.filter);
    dialog.setNameFilters(request.filter.split(QStringLiteral(";;")));
    dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.newName ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!request.current.isEmpty()) {
        dialog.selectFile(request.current);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

}  // namespace

QString QtFileFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
    }
    return filters.join(QStringLiteral(";;"));
}

FunctionForm::FunctionForm(const FormLayout& layout, QWidget* parent)
    : QWidget(parent), m_layout(layout) {
    auto* outer = MakeQtOwned<QVBoxLayout>(this);
    outer->setContentsMargins(8, 6, 8, 6);
    m_group = MakeQtOwned<QGroupBox>(this);
    outer->addWidget(m_group);
    outer->addStretch(1);

    auto* column = MakeQtOwned<QVBoxLayout>(m_group);
    column->setSpacing(8);
    for (int m = 0; m < m_layout.modes; ++m) {
        m_banner[m] = MakeQtOwned<QLabel>(m_group);
        m_banner[m]->setObjectName(QStringLiteral("Banner%1").arg(m));
        m_banner[m]->setPixmap(
            QPixmap::fromImage(DrawBanner(m_layout.mode[m].bannerTitle, m_layout.colour)));
        m_banner[m]->setAlignment(Qt::AlignCenter);
        column->addWidget(m_banner[m]);
    }

    if (m_layout.modes == 2) {
        auto* radios = MakeQtOwned<QHBoxLayout>();
        column->addLayout(radios);
        m_radioGroup = MakeQtOwned<QButtonGroup>(this);
        const char* labels[2] = {"User Data", "One Device"};
        radios->addStretch(1);
        for (int m = 0; m < 2; ++m) {
            m_radio[m] = MakeQtOwned<QRadioButton>(QString::fromLatin1(labels[m]), m_group);
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

    auto* grid = MakeQtOwned<QGridLayout>();
    column->addLayout(grid);
    grid->setColumnStretch(1, 1);
    grid->setHorizontalSpacing(8);
    m_fileLabel = MakeQtOwned<QLabel>(m_layout.mode[0].fileLabel, m_group);
    grid->addWidget(m_fileLabel, 0, 0);
    auto* fileRow = MakeQtOwned<QHBoxLayout>();
    fileRow->setSpacing(2);
    grid->addLayout(fileRow, 0, 1);
    for (int m = 0; m < m_layout.modes; ++m) {
        m_file[m] = MakeQtOwned<QLineEdit>(m_group);
        m_file[m]->setObjectName(QStringLiteral("FileEdit%1").arg(m));
        m_file[m]->setReadOnly(true);
        // A read-only box shows no caret; the end of a long path stays in view.
        m_file[m]->setCursor(Qt::ArrowCursor);
        m_browse[m] = MakeQtOwned<QToolButton>(m_group);
        m_browse[m]->setObjectName(QStringLiteral("BrowseButton%1").arg(m));
        m_browse[m]->setText(QStringLiteral("..."));
        m_browse[m]->setToolTip(QStringLiteral("Browse"));
        connect(m_browse[m], &QToolButton::clicked, this, [this, m] { Browse(m); });
        fileRow->addWidget(m_file[m], 1);
        fileRow->addWidget(m_browse[m]);
    }
    if (m_layout.editButton) {
        m_edit = MakeQtOwned<QPushButton>(m_group);
        m_edit->setObjectName(QStringLiteral("EditButton"));
        m_edit->setToolTip(QStringLiteral("Edit"));
        m_edit->setAccessibleName(QStringLiteral("Edit"));
        m_edit->setFixedSize(54, 38);
        m_edit->setIcon(QIcon(QPixmap::fromImage(DrawEditPicture())));
        m_edit->setIconSize(QSize(48, 32));
        connect(m_edit, &QPushButton::clicked, this, [this] {
            if (onEditClicked) {
                onEditClicked();
            }
        });
        fileRow->addSpacing(6);
        fileRow->addWidget(m_edit);
    }

    grid->addWidget(MakeQtOwned<QLabel>(QStringLiteral("Progress:"), m_group), 1, 0);
    m_progress = MakeQtOwned<QProgressBar>(m_group);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_progress->setFixedHeight(14);
    m_progress->setStyleSheet(
        QStringLiteral("QProgressBar { border: 1px solid #8a8a8a; background: white; }"
                       "QProgressBar::chunk { background: %1; }")
            .arg(m_layout.colour.name()));
    grid->addWidget(m_progress, 1, 1);

    grid->addWidget(MakeQtOwned<QLabel>(QStringLiteral("Message:"), m_group), 2, 0, Qt::AlignTop);
    auto* messages = MakeQtOwned<QVBoxLayout>();
    grid->addLayout(messages, 2, 1);
    for (int m = 0; m < m_layout.modes; ++m) {
        m_message[m] = MakeQtOwned<QLabel>(m_layout.mode[m].firstMessage, m_group);
        m_message[m]->setObjectName(QStringLiteral("MessageLine%1").arg(m));
        m_message[m]->setWordWrap(true);
        messages->addWidget(m_message[m]);
    }
    for (int m = m_layout.modes; m < 2; ++m) {
        m_banner[m] = m_banner[0];
        m_file[m] = m_file[0];
        m_browse[m] = m_browse[0];
        m_message[m] = m_message[0];
    }
    ShowMode(0);
}

void FunctionForm::Browse(int mode) {
    const FormLayout::Mode& layout = m_layout.mode[mode];
    BrowseRequest request;
    request.title = layout.fileLabel;
    request.title.chop(request.title.endsWith(QLatin1Char(':')) ? 1 : 0);
    request.filter = QtFileFilter(layout.filter);
    request.defaultSuffix = layout.defaultSuffix;
    request.newName = m_layout.newNames;
    request.current = m_file[mode]->text();
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
    QMessageBox box(QMessageBox::NoIcon, window()->windowTitle(), message, QMessageBox::Ok, this);
    box.exec();
}

bool FunctionForm::AskOkCancel(const std::string& text) {
    const QString message = QString::fromStdString(text);
    if (m_boxAnswer) {
        return m_boxAnswer(message, true);
    }
    QMessageBox box(QMessageBox::Warning, window()->windowTitle(), message,
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    return box.exec() == QMessageBox::Ok;
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
