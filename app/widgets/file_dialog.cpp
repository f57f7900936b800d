#include "app/widgets/file_dialog.h"

#include <QFileInfo>
#include <QStringList>

namespace vanto::gui {

QString QtFileFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) {
            break;
        }
        if (parts[i].contains(QLatin1Char('('))) {
            filters << parts[i];
            continue;
        }
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
    }
    return filters.join(QStringLiteral(";;"));
}

QString FirstFilterSuffix(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    if (parts.size() < 2) {
        return {};
    }
    const QString pattern = parts[1].section(QLatin1Char(';'), 0, 0).trimmed();
    const QString suffix = pattern.mid(2);
    if (!pattern.startsWith(QStringLiteral("*.")) || suffix.isEmpty() ||
        suffix.contains(QLatin1Char('*')) || suffix.contains(QLatin1Char('?'))) {
        return {};
    }
    return suffix;
}

std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* parent, const FileDialogRequest& request) {
    auto dialog = std::make_unique<QFileDialog>(parent, request.title);
    dialog->setObjectName(QStringLiteral("FileDialog"));
    dialog->setNameFilters(request.filter.split(QStringLiteral(";;")));
    dialog->setDefaultSuffix(request.defaultSuffix);
    if (request.save) {
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    } else {
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setFileMode(QFileDialog::ExistingFile);
    }
    if (!request.current.isEmpty()) {
        dialog->selectFile(request.current);
    }
    return dialog;
}

std::optional<QString> RunFileDialog(QWidget* parent, const FileDialogRequest& request) {
    const auto dialog = MakeFileDialog(parent, request);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    QString path = dialog->selectedFiles().constFirst();
    // A dialog of the desktop may hand the name back as typed.
    if (request.save && !request.defaultSuffix.isEmpty() && QFileInfo(path).suffix().isEmpty()) {
        path += QLatin1Char('.') + request.defaultSuffix;
    }
    return path;
}

}  // namespace vanto::gui
