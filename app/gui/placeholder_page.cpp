#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/core/function_commands.h"
#include "app/gui/function_page.h"
#include "app/gui/page_banner.h"
#include "app/gui/pictures.h"

namespace vanto::gui {

namespace {

class PlaceholderPage final : public FunctionPageView {
public:
    explicit PlaceholderPage(int index)
        : m_banner(QString::fromUtf8(kFunctionCommands.at(index).buttonLabel), PageColour(index),
                   &m_widget) {
        m_widget.setObjectName(QStringLiteral("PlaceholderPage%1").arg(index));
        m_file.setReadOnly(true);
        m_file.setObjectName(QStringLiteral("FileEdit"));
        m_message.setObjectName(QStringLiteral("MessageLine"));
        m_layout.addWidget(&m_banner);
        m_layout.addWidget(&m_file);
        m_layout.addWidget(&m_message);
        m_layout.addStretch(1);
    }
    QWidget& Widget() override { return m_widget; }
    vanto::TransferPage* Page() override { return nullptr; }

private:
    // Declared parent first: destroyed last.
    QWidget m_widget;
    QVBoxLayout m_layout{&m_widget};
    PageBanner m_banner;
    QLineEdit m_file{&m_widget};
    QLabel m_message{&m_widget};
};

}  // namespace

std::unique_ptr<FunctionPageView> MakePlaceholderPage(int index) {
    return std::make_unique<PlaceholderPage>(index);
}

}  // namespace vanto::gui
