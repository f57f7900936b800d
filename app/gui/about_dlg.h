#pragma once
// CAboutDlg: "About VANTO Remote Manager" with the application icon, the title string and OK.

#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace vanto::gui {

class CAboutDlg final : public QDialog {
    Q_OBJECT
public:
    CAboutDlg(const QString& title, QWidget* parent);

    QString TitleText() const { return m_title.text(); }

private:
    QVBoxLayout m_layout{this};
    QLabel m_icon{this};
    QLabel m_title{this};
    QDialogButtonBox m_buttons{QDialogButtonBox::Ok, this};
};

}  // namespace vanto::gui
