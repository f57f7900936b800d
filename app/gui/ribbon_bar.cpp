#include "app/gui/ribbon_bar.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPixmap>
#include <QResizeEvent>
#include <algorithm>

#include "app/core/app_look.h"
#include "app/core/function_commands.h"
#include "app/gui/hints.h"
#include "app/gui/pictures.h"
#include "app/gui/qt_owned.h"

namespace vanto::gui {

namespace {

constexpr int kLargePicture = 32;
constexpr int kSmallPicture = 16;

// "Application Download" -> "Application\nDownload", as large ribbon buttons break their labels.
QString TwoLineLabel(const char* label) {
    QString text = QString::fromUtf8(label);
    const qsizetype space = text.lastIndexOf(QLatin1Char(' '));
    if (space > 0) {
        text[space] = QLatin1Char('\n');
    }
    return text;
}

struct LookHint {
    int id;
    const char* description;
};
constexpr LookHint kLookHints[] = {
    {ID_VIEW_APPLOOK_DEFAULT, "The desktop's own style and colours"},
    {ID_VIEW_APPLOOK_OFF_2007_BLACK, "Light text on black and grey"},
    {ID_VIEW_APPLOOK_OFF_2007_BLUE, "Dark blue text on light blue"},
    {ID_VIEW_APPLOOK_OFF_2007_SILVER, "Dark text on silver grey"},
    {ID_VIEW_APPLOOK_OFF_2007_AQUA, "Dark teal text on light aqua"},
};

QString LookDescription(int id) {
    for (const LookHint& hint : kLookHints) {
        if (hint.id == id) {
            return QString::fromUtf8(hint.description);
        }
    }
    return {};
}

}  // namespace

CRibbonBar::CRibbonBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("RibbonBar"));
    setAttribute(Qt::WA_StyledBackground);
    m_layout = std::make_unique<QVBoxLayout>(this);
    m_layout->setContentsMargins(4, 2, 4, 4);
    m_layout->setSpacing(0);
    BuildMenus();
    BuildTabRow();
    BuildPanel();
    SetSelectedFunction(0);
    qApp->installEventFilter(this);
}

CRibbonBar::~CRibbonBar() {
    qApp->removeEventFilter(this);
}

QAction* CRibbonBar::AddAppMenuCommand(const QString& label, const QIcon& icon,
                                       const QString& title, const QString& description) {
    auto* action = MakeQtOwned<QAction>(icon, label, m_appMenu.get());
    SetCommandHints(*action, title, description);
    m_appMenu->insertAction(m_exitSeparator, action);
    return action;
}

void CRibbonBar::BuildMenus() {
    m_appMenu = std::make_unique<QMenu>(this);
    m_appMenu->setObjectName(QStringLiteral("AppMenu"));
    m_appMenu->setToolTipsVisible(true);
    m_exitSeparator = m_appMenu->addSeparator();
    m_exitAction = m_appMenu->addAction(ExitIcon(), QStringLiteral("E&xit"));
    m_exitAction->setData(ID_APP_EXIT);
    SetCommandHints(*m_exitAction, QStringLiteral("Exit"), QStringLiteral("Quit the application"));
    connect(m_exitAction, &QAction::triggered, this, [this] { emit ExitCommand(); });

    // The function showing carries the menu's mark.
    m_functionGroup = std::make_unique<QActionGroup>(this);
    m_functionGroup->setExclusive(true);
    for (std::size_t i = 0; i < kFunctionCommands.size(); ++i) {
        const auto& cmd = kFunctionCommands[i];
        QAction* action =
            AddAppMenuCommand(QString::fromUtf8(cmd.menuLabel), FunctionIcon(static_cast<int>(i)),
                              QString::fromUtf8(cmd.buttonLabel),
                              QString::fromStdString(PromptDescription(cmd.prompt)));
        action->setData(cmd.id);
        action->setCheckable(true);
        m_functionGroup->addAction(action);
        connect(action, &QAction::triggered, this,
                [this, i] { emit FunctionCommand(static_cast<int>(i)); });
        m_menuActions[i] = action;
    }

    m_styleMenu = std::make_unique<QMenu>(this);
    m_styleMenu->setObjectName(QStringLiteral("StyleMenu"));
    m_styleMenu->setToolTipsVisible(true);
    m_lookGroup = std::make_unique<QActionGroup>(this);
    // A stored value outside the five styles checks no item, so the group must allow none.
    m_lookGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (const auto& item : kAppLookItems) {
        QAction* action = m_styleMenu->addAction(QString::fromUtf8(item.label));
        action->setCheckable(true);
        action->setData(item.id);
        SetCommandHints(*action, QString::fromUtf8(item.label), LookDescription(item.id));
        m_lookGroup->addAction(action);
        const int id = item.id;
        connect(action, &QAction::triggered, this, [this, id] { emit LookCommand(id); });
    }
}

void CRibbonBar::BuildTabRow() {
    m_tabRow = std::make_unique<QWidget>(this);
    m_tabRow->setObjectName(QStringLiteral("RibbonTabRow"));
    m_tabLayout = std::make_unique<QHBoxLayout>(m_tabRow.get());
    m_tabLayout->setContentsMargins(0, 0, 0, 0);
    m_tabLayout->setSpacing(6);

    m_appButton = std::make_unique<QToolButton>(m_tabRow.get());
    m_appButton->setObjectName(QStringLiteral("AppButton"));
    m_appButton->setIcon(AppIcon());
    m_appButton->setIconSize(QSize(18, 18));
    m_appButton->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_appButton->setPopupMode(QToolButton::InstantPopup);
    m_appButton->setMenu(m_appMenu.get());
    m_appButton->setAccessibleName(QStringLiteral("Application menu"));
    SetCommandHints(*m_appButton, QStringLiteral("Application menu"),
                    QStringLiteral("Choose a function or quit the application"));
    m_appButton->installEventFilter(this);

    m_homeTab = std::make_unique<QToolButton>(m_tabRow.get());
    m_homeTab->setObjectName(QStringLiteral("HomeTab"));
    m_homeTab->setText(QStringLiteral("Home"));
    m_homeTab->setAutoRaise(true);
    SetCommandHints(*m_homeTab, QStringLiteral("Home"),
                    QStringLiteral("The functions of the remote control"));
    m_homeTab->installEventFilter(this);

    m_styleButton = std::make_unique<QToolButton>(m_tabRow.get());
    m_styleButton->setObjectName(QStringLiteral("StyleButton"));
    m_styleButton->setText(QStringLiteral("Style"));
    m_styleButton->setAutoRaise(true);
    m_styleButton->setPopupMode(QToolButton::InstantPopup);
    m_styleButton->setMenu(m_styleMenu.get());
    SetCommandHints(*m_styleButton, QStringLiteral("Style"),
                    QStringLiteral("Choose the colour style of the window"));

    m_aboutButton = std::make_unique<QToolButton>(m_tabRow.get());
    m_aboutButton->setObjectName(QStringLiteral("AboutButton"));
    m_aboutButton->setIcon(AboutIcon());
    m_aboutButton->setAutoRaise(true);
    m_aboutButton->setAccessibleName(QStringLiteral("About"));
    SetCommandHints(*m_aboutButton, QStringLiteral("About"),
                    QStringLiteral("Display program information and version number"));
    connect(m_aboutButton.get(), &QToolButton::clicked, this, [this] { emit AboutCommand(); });

    m_tabLayout->addWidget(m_appButton.get());
    m_tabLayout->addWidget(m_homeTab.get(), 0, Qt::AlignBottom);
    m_tabLayout->addStretch(1);
    m_tabLayout->addWidget(m_styleButton.get());
    m_tabLayout->addWidget(m_aboutButton.get());
    m_layout->addWidget(m_tabRow.get());
}

void CRibbonBar::BuildPanel() {
    m_panel = std::make_unique<QFrame>(this);
    m_panel->setObjectName(QStringLiteral("RibbonPanel"));
    m_panelLayout = std::make_unique<QVBoxLayout>(m_panel.get());
    m_panelLayout->setContentsMargins(3, 3, 3, 1);
    m_panelLayout->setSpacing(1);
    m_buttonGrid = MakeQtOwned<QGridLayout>();
    m_panelLayout->addLayout(m_buttonGrid);
    m_buttonGrid->setHorizontalSpacing(2);
    m_buttonGrid->setVerticalSpacing(0);
    for (std::size_t i = 0; i < kFunctionCommands.size(); ++i) {
        const auto& cmd = kFunctionCommands[i];
        auto button = std::make_unique<QToolButton>(m_panel.get());
        button->setObjectName(QStringLiteral("FunctionButton%1").arg(i));
        button->setAccessibleName(QString::fromUtf8(cmd.buttonLabel));
        button->setIcon(FunctionIcon(static_cast<int>(i)));
        SetCommandHints(*button, QString::fromUtf8(cmd.buttonLabel),
                        QString::fromStdString(PromptDescription(cmd.prompt)));
        button->setCheckable(true);
        button->setAutoRaise(true);
        connect(button.get(), &QToolButton::clicked, this,
                [this, i] { emit FunctionCommand(static_cast<int>(i)); });
        m_functionButtons[i] = std::move(button);
    }
    ArrangeFunctionButtons(false);
    m_largeWidth = m_panel->sizeHint().width() + m_layout->contentsMargins().left() +
                   m_layout->contentsMargins().right();
    m_panelCaption = std::make_unique<QLabel>(QStringLiteral("Function"), m_panel.get());
    m_panelCaption->setObjectName(QStringLiteral("RibbonPanelCaption"));
    m_panelCaption->setAlignment(Qt::AlignCenter);
    m_panelLayout->addWidget(m_panelCaption.get());
    m_layout->addWidget(m_panel.get());
}

void CRibbonBar::ArrangeFunctionButtons(bool compact) {
    m_compact = compact;
    for (auto& button : m_functionButtons) {
        m_buttonGrid->removeWidget(button.get());
    }
    for (std::size_t i = 0; i < m_functionButtons.size(); ++i) {
        QToolButton& button = *m_functionButtons[i];
        const char* label = kFunctionCommands[i].buttonLabel;
        const int n = static_cast<int>(i);
        if (compact) {
            // Small buttons, three to a column, as a ribbon folds a panel that lacks room.
            button.setText(QString::fromUtf8(label));
            button.setIconSize(QSize(kSmallPicture, kSmallPicture));
            button.setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
            button.setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
            m_buttonGrid->addWidget(&button, n % 3, n / 3, Qt::AlignLeft);
        } else {
            button.setText(TwoLineLabel(label));
            button.setIconSize(QSize(kLargePicture, kLargePicture));
            button.setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
            button.setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
            m_buttonGrid->addWidget(&button, 0, n);
        }
    }
    for (int column = 0; column < 7; ++column) {
        m_buttonGrid->setColumnStretch(column, column == 6 ? 1 : 0);
    }
}

void CRibbonBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const bool compact = width() < m_largeWidth;
    if (compact != m_compact) {
        ShowKeyTips(KeyTipLevel::Off);
        ArrangeFunctionButtons(compact);
    }
}

void CRibbonBar::SetSelectedFunction(int index) {
    for (std::size_t i = 0; i < m_functionButtons.size(); ++i) {
        m_functionButtons[i]->setChecked(static_cast<int>(i) == index);
        m_menuActions[i]->setChecked(static_cast<int>(i) == index);
    }
}

void CRibbonBar::UpdateLookChecks(const std::function<bool(int)>& isChecked) {
    for (QAction* action : m_lookGroup->actions()) {
        action->setChecked(isChecked(action->data().toInt()));
    }
}

QAction* CRibbonBar::LookAction(int id) const {
    for (QAction* action : m_lookGroup->actions()) {
        if (action->data().toInt() == id) {
            return action;
        }
    }
    return nullptr;
}

bool CRibbonBar::PanelVisible() const {
    return m_panel->isVisible();
}

QString CRibbonBar::ShownKeyTips() const {
    QString letters;
    for (const auto& badge : m_badges) {
        letters += badge->text();
    }
    return letters;
}

std::vector<const QLabel*> CRibbonBar::KeyTipBadges() const {
    std::vector<const QLabel*> badges;
    for (const auto& badge : m_badges) {
        badges.push_back(badge.get());
    }
    return badges;
}

void CRibbonBar::AddBadge(QWidget& target, QChar letter, QPoint anchor, bool leftEdge) {
    auto badge = std::make_unique<QLabel>(QString(letter), this);
    badge->setObjectName(QStringLiteral("KeyTip"));
    badge->setStyleSheet(QStringLiteral(
        "background: #fffbe0; color: black; border: 1px solid #7a7a7a; border-radius: 2px; "
        "padding: 0px; font-weight: bold;"));
    badge->setAlignment(Qt::AlignCenter);
    QFont bold = badge->font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    badge->setFixedSize(metrics.horizontalAdvance(letter) + 8, metrics.height() + 2);
    const QPoint at =
        target.mapTo(this, anchor) - QPoint(leftEdge ? 0 : badge->width() / 2, badge->height() / 2);
    badge->move(std::clamp(at.x(), 0, std::max(0, width() - badge->width())),
                std::clamp(at.y(), 0, std::max(0, height() - badge->height())));
    badge->show();
    badge->raise();
    m_badges.push_back(std::move(badge));
}

// Badges sit on pictures or beside texts, never over a label: on the application button, right of
// the "Home" tab, below the About picture, on the lower right of a large button's picture and on a
// small button's picture.
void CRibbonBar::ShowKeyTips(KeyTipLevel level) {
    m_badges.clear();
    m_keyTipLevel = level;
    if (level == KeyTipLevel::TabRow) {
        AddBadge(*m_appButton, QLatin1Char(kAppButtonKeyTip),
                 QPoint(m_appButton->width() / 2, m_appButton->height() / 2));
        AddBadge(*m_homeTab, QLatin1Char(kHomeTabKeyTip),
                 QPoint(m_homeTab->width() + 3, m_homeTab->height() / 2), true);
        AddBadge(*m_aboutButton, QLatin1Char(kAboutKeyTip),
                 QPoint(m_aboutButton->width() / 2, m_aboutButton->height() + 6));
    } else if (level == KeyTipLevel::HomePanel) {
        for (std::size_t i = 0; i < kFunctionCommands.size(); ++i) {
            QToolButton& button = *m_functionButtons[i];
            const QChar letter = QLatin1Char(kFunctionCommands[i].keyTip);
            if (m_compact) {
                AddBadge(button, letter, QPoint(1 + kSmallPicture / 2, button.height() / 2));
            } else {
                AddBadge(button, letter,
                         QPoint(button.width() / 2 + kLargePicture / 2, 4 + kLargePicture - 10));
            }
        }
    }
}

bool CRibbonBar::HandleKeyTip(int key) {
    if (key == Qt::Key_Escape) {
        ShowKeyTips(m_keyTipLevel == KeyTipLevel::HomePanel ? KeyTipLevel::TabRow
                                                            : KeyTipLevel::Off);
        return true;
    }
    const KeyTipLevel level = m_keyTipLevel;
    ShowKeyTips(KeyTipLevel::Off);
    if (level == KeyTipLevel::TabRow) {
        if (key == kAppButtonKeyTip) {
            m_appButton->showMenu();
        } else if (key == kHomeTabKeyTip) {
            ShowKeyTips(KeyTipLevel::HomePanel);
        } else if (key == kAboutKeyTip) {
            emit AboutCommand();
        }
        return true;
    }
    for (std::size_t i = 0; i < kFunctionCommands.size(); ++i) {
        if (key == kFunctionCommands[i].keyTip) {
            emit FunctionCommand(static_cast<int>(i));
        }
    }
    return true;
}

bool CRibbonBar::OnWindowKey(QEvent* event) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (event->type() == QEvent::KeyPress) {
        if (key->key() == Qt::Key_Alt) {
            m_altAlone = !key->isAutoRepeat() || m_altAlone;
            return false;
        }
        m_altAlone = false;
        if (m_keyTipLevel != KeyTipLevel::Off) {
            return HandleKeyTip(key->key());
        }
        if (key->modifiers() == Qt::AltModifier) {
            if (key->key() == kAppButtonKeyTip) {
                m_appButton->showMenu();
                return true;
            }
            if (key->key() == kHomeTabKeyTip) {
                ShowKeyTips(KeyTipLevel::HomePanel);
                return true;
            }
        }
        return false;
    }
    // Alt pressed and released on its own shows the key tips of the tab row, or hides them.
    if (key->key() == Qt::Key_Alt && !key->isAutoRepeat()) {
        if (m_altAlone) {
            ShowKeyTips(m_keyTipLevel == KeyTipLevel::Off ? KeyTipLevel::TabRow : KeyTipLevel::Off);
        }
        m_altAlone = false;
        return true;
    }
    return false;
}

bool CRibbonBar::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    // A double click on the application button or on the tab does nothing: it neither closes the
    // program nor folds the ribbon.
    if (type == QEvent::MouseButtonDblClick &&
        (watched == m_appButton.get() || watched == m_homeTab.get())) {
        return true;
    }
    if (type == QEvent::KeyPress || type == QEvent::KeyRelease) {
        // Key events reach the focus widget first and travel up to the window when nobody takes
        // them; a key the ribbon handles is taken at the first of these, so it acts once.
        QWidget* target = qobject_cast<QWidget*>(watched);
        if (target != nullptr && target->window() == window() &&
            (target == QApplication::focusWidget() || target == window())) {
            return OnWindowKey(event);
        }
        return false;
    }
    if (type == QEvent::MouseButtonPress && m_keyTipLevel != KeyTipLevel::Off) {
        ShowKeyTips(KeyTipLevel::Off);
    }
    return false;
}

}  // namespace vanto::gui
