#include "app/widgets/message_box.h"

#include <QShowEvent>
#include <QStringList>

#include "app/core/build_info.h"

namespace vanto::gui {

namespace {

QMessageBox::Icon IconOf(BoxKind kind) {
    switch (kind) {
        case BoxKind::Information:
            return QMessageBox::Information;
        case BoxKind::Warning:
            return QMessageBox::Warning;
        case BoxKind::Error:
            return QMessageBox::Critical;
        case BoxKind::Question:
            return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

// A message box that stands in the middle of its parent's window once it has taken its final size
// (a message box sizes itself to its text only as it is shown).
class CentredMessageBox final : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* event) override {
        QMessageBox::showEvent(event);
        if (QWidget* parent = parentWidget()) {
            const QRect window = parent->window()->frameGeometry();
            move(window.center() -
                 QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
        }
    }
};

}  // namespace

QString BoxCaption() {
    return QString::fromUtf8(vanto::kProductName);
}

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, BoxKind kind, const QString& text,
                                            QMessageBox::StandardButtons buttons,
                                            const QString& caption) {
    auto box = std::make_unique<CentredMessageBox>(IconOf(kind), caption, text, buttons, parent);
    box->setObjectName(QStringLiteral("MessageBox"));
    // Plain text: the texts are shown as they are, never read as markup.
    box->setTextFormat(Qt::PlainText);
    return box;
}

QMessageBox::StandardButton RunMessageBox(QWidget* parent, BoxKind kind, const QString& text,
                                          QMessageBox::StandardButtons buttons,
                                          const QString& caption) {
    const auto box = MakeMessageBox(parent, kind, text, buttons, caption);
    return static_cast<QMessageBox::StandardButton>(box->exec());
}

BoxKind KindOfNotice(const QString& text) {
    static const QStringList failures = {QStringLiteral("error"), QStringLiteral("could not"),
                                         QStringLiteral("cannot"), QStringLiteral("corrupted"),
                                         QStringLiteral("not enough")};
    for (const QString& word : failures) {
        if (text.contains(word, Qt::CaseInsensitive)) {
            return BoxKind::Error;
        }
    }
    return BoxKind::Warning;
}

}  // namespace vanto::gui
