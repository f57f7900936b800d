#pragma once
// CRibbonBar: the ribbon of the main window built from plain widgets. The tab row holds the
// application button (its menu: the six functions and "E&xit"), the "Home" tab, the "Style" menu
// with the five colour styles and the About button; below it the "Function" panel of the "Home"
// tab holds the six large function buttons. Key tips: pressing and releasing Alt shows the
// letters of the tab row (F, H, A); H then shows those of the function buttons. When the window is
// too narrow for the six large buttons side by side, they stand as small buttons in columns of
// three, so every label stays whole. Every command has a tooltip (its name over its description)
// and a status prompt.

#include <QAction>
#include <QActionGroup>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <vector>

namespace vanto::gui {

class CRibbonBar final : public QWidget {
    Q_OBJECT
public:
    enum class KeyTipLevel { Off, TabRow, HomePanel };

    explicit CRibbonBar(QWidget* parent = nullptr);
    ~CRibbonBar() override;

    // Shows function `index` as the selected one (and no other).
    void SetSelectedFunction(int index);
    // Shows as chosen exactly the styles for which `isChecked(id)` holds.
    void UpdateLookChecks(const std::function<bool(int id)>& isChecked);

    QToolButton& AppButton() { return *m_appButton; }
    QToolButton& HomeTab() { return *m_homeTab; }
    QToolButton& StyleButton() { return *m_styleButton; }
    QToolButton& AboutButton() { return *m_aboutButton; }
    QToolButton& FunctionButton(int index) { return *m_functionButtons.at(index); }
    QMenu& StyleMenu() { return *m_styleMenu; }
    QAction* LookAction(int id) const;
    QAction* MenuFunctionAction(int index) const { return m_menuActions.at(index); }
    QAction* ExitAction() const { return m_exitAction; }
    bool PanelVisible() const;
    KeyTipLevel KeyTips() const { return m_keyTipLevel; }
    // Key tip letters now shown, in display order.
    QString ShownKeyTips() const;
    // The key tip badges now shown.
    std::vector<const QLabel*> KeyTipBadges() const;
    // True while the function buttons stand small in columns of three.
    bool Compact() const { return m_compact; }

    // Adds a command to the application menu above "E&xit", with its tooltip and status prompt.
    QAction* AddAppMenuCommand(const QString& label, const QIcon& icon, const QString& title,
                               const QString& description);

signals:
    void FunctionCommand(int index);
    void LookCommand(int id);
    void AboutCommand();
    void ExitCommand();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildTabRow();
    void BuildPanel();
    void BuildMenus();
    void ShowKeyTips(KeyTipLevel level);
    void ArrangeFunctionButtons(bool compact);
    // Places a badge centred on `anchor` (in `target`), or with its left edge there.
    void AddBadge(QWidget& target, QChar letter, QPoint anchor, bool leftEdge = false);
    bool HandleKeyTip(int key);
    bool OnWindowKey(QEvent* event);

    // Declared parents first: members are destroyed in reverse order, children before parents.
    std::unique_ptr<QVBoxLayout> m_layout;
    std::unique_ptr<QWidget> m_tabRow;
    std::unique_ptr<QHBoxLayout> m_tabLayout;
    std::unique_ptr<QToolButton> m_appButton;
    std::unique_ptr<QToolButton> m_homeTab;
    std::unique_ptr<QToolButton> m_styleButton;
    std::unique_ptr<QToolButton> m_aboutButton;
    std::unique_ptr<QFrame> m_panel;
    std::unique_ptr<QVBoxLayout> m_panelLayout;
    QGridLayout* m_buttonGrid = nullptr;  // owned by m_panelLayout
    std::array<std::unique_ptr<QToolButton>, 6> m_functionButtons;
    std::unique_ptr<QLabel> m_panelCaption;
    std::unique_ptr<QMenu> m_appMenu;
    std::unique_ptr<QMenu> m_styleMenu;
    std::unique_ptr<QActionGroup> m_lookGroup;
    std::unique_ptr<QActionGroup> m_functionGroup;
    std::array<QAction*, 6> m_menuActions{};
    QAction* m_exitSeparator = nullptr;
    QAction* m_exitAction = nullptr;
    bool m_compact = false;
    int m_largeWidth = 0;  // the width the six large buttons need side by side
    std::vector<std::unique_ptr<QLabel>> m_badges;
    KeyTipLevel m_keyTipLevel = KeyTipLevel::Off;
    bool m_altAlone = false;
};

}  // namespace vanto::gui
