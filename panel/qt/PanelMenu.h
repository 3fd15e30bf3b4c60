#pragma once

#include <initializer_list>
#include <map>

#include "panel/ControlIds.h"

class QAction;
class QMenu;
class QMenuBar;

// The main window's menu bar: "&File ", "&Options" (with "&Warnings" and "&Data Logging") and
// "&Help". Each item is a QAction named after its command id ("ID_FILE_EXIT").
class CPanelMenu {
public:
    explicit CPanelMenu(QMenuBar* bar);

    // The item of this command, or nullptr.
    QAction* Action(MenuCommand id) const;

private:
    struct Item;
    void AddItems(QMenu* menu, std::initializer_list<Item> items);

    std::map<MenuCommand, QAction*> m_actions;
};
