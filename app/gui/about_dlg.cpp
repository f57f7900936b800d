#include "app/gui/about_dlg.h"

#include <QPixmap>

#include "app/gui/pictures.h"
#include "app/gui/qt_owned.h"

namespace vanto::gui {

CAboutDlg::CAboutDlg(const QString& title, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About VANTO Remote Manager"));
    setObjectName(QStringLiteral("AboutDlg"));
    m_icon.setPixmap(QPixmap::fromImage(DrawAppPicture(48)));
    m_title.setObjectName(QStringLiteral("TitleText"));
    m_title.setText(title);
    auto* row = MakeQtOwned<QHBoxLayout>();
    m_layout.addLayout(row);
    row->addWidget(&m_icon);
    row->addSpacing(12);
    row->addWidget(&m_title, 1);
    m_layout.addWidget(&m_buttons);
    connect(&m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    setFixedSize(sizeHint().expandedTo(QSize(300, 110)));
}

}  // namespace vanto::gui
