#include "panel/qt/PanelMenu.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

struct CPanelMenu::Item {
    MenuCommand Id;
    const char* Name;
    const char* Text;
    bool Checkable = false;
};

// A command id with its own name, which becomes the action's object name.
#define COMMAND(id) id, #id

CPanelMenu::CPanelMenu(QMenuBar* bar) {
    // The trailing blank of the File title is the Windows tool's own.
    QMenu* file = bar->addMenu(QStringLiteral("&File "));
    AddItems(file, {{COMMAND(ID_FILE_NEW), "&New"},
                    {COMMAND(ID_FILE_OPEN), "&Open..."},
                    {COMMAND(ID_FILE_SAVE), "&Save"},
                    {COMMAND(ID_FILE_SAVE_AS), "Save &As..."}});
    file->addSeparator();
    AddItems(file, {{COMMAND(ID_FILE_EXIT), "E&xit"}});

    QMenu* options = bar->addMenu(QStringLiteral("&Options"));
    AddItems(options->addMenu(QStringLiteral("&Warnings")),
             {{COMMAND(ID_WARNINGS_RECOGNITION), "Recognition", true},
              {COMMAND(ID_WARNINGS_SENSOR), "Sensor", true},
              {COMMAND(ID_WARNINGS_APPLICATION), "Application", true}});
    AddItems(options->addMenu(QStringLiteral("&Data Logging")),
             {{COMMAND(ID_LOGGING_START), "Start"},
              {COMMAND(ID_LOGGING_STOP), "Stop"},
              {COMMAND(ID_LOGGING_SETTINGS), "Settings..."}});
    AddItems(options, {{COMMAND(ID_OPTIONS_TREND), "&Trend..."}});
    m_actions[ID_OPTIONS_TREND]->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    AddItems(help, {{COMMAND(ID_HELP_INSTRUCTIONS), "Instructions..."}});
    m_actions[ID_HELP_INSTRUCTIONS]->setShortcut(QKeySequence::HelpContents); // F1
    help->addSeparator();
    AddItems(help, {{COMMAND(ID_HELP_ABOUT), "&About Spectrel..."}});
}

void CPanelMenu::AddItems(QMenu* menu, std::initializer_list<Item> items) {
    for (const Item& item : items) {
        QAction* action = menu->addAction(QString::fromLatin1(item.Text));
        action->setObjectName(QString::fromLatin1(item.Name));
        action->setCheckable(item.Checkable);
        m_actions[item.Id] = action;
    }
}

QAction* CPanelMenu::Action(MenuCommand id) const {
    const auto found = m_actions.find(id);
    return found == m_actions.end() ? nullptr : found->second;
}
