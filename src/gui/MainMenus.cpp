#include "MainMenus.h"

#include "controls/LinkTextEdit.h"
#include "gui/ActionCatalog.h"

#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

void buildMainMenus(QMainWindow& window, const ActionCatalog& a, const QList<LinkTextEdit*>& editors) {
    // The menu shows two commands under shorter captions than their tool-bar hints.
    auto alias = [&window](QAction* action, const QString& caption) {
        auto* entry = new QAction(caption, &window);
        entry->setIcon(action->icon());
        entry->setToolTip(action->toolTip());
        entry->setStatusTip(action->statusTip());
        entry->setShortcut(action->shortcut());
        entry->setShortcutContext(Qt::WidgetShortcut); // the action itself owns the shortcut
        entry->setEnabled(action->isEnabled());
        QObject::connect(action, &QAction::changed, entry, [action, entry] {
            entry->setEnabled(action->isEnabled());
            entry->setIcon(action->icon());
        });
        QObject::connect(entry, &QAction::triggered, action, &QAction::trigger);
        return entry;
    };

    QMenu* file = window.menuBar()->addMenu(QStringLiteral("&File"));
    file->addActions({a.newNoteAction, a.saveNoteAction,
                      alias(a.exportAction, QStringLiteral("Save &to File")),
                      alias(a.sendMailAction, QStringLiteral("Send &as E-Mail"))});
    file->addSeparator();
    file->addAction(a.printAction);
    file->addSeparator();
    file->addAction(a.deleteNoteAction);
    file->addSeparator();
    file->addAction(a.exitAction);

    QMenu* edit = window.menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->addActions({a.undoAction, a.undoDeleteAction});
    edit->addSeparator();
    edit->addActions({a.cutAction, a.copyAction, a.pasteAction});
    edit->addSeparator();
    edit->addAction(a.selectAllAction);

    QMenu* tools = window.menuBar()->addMenu(QStringLiteral("&Tools"));
    tools->addActions({a.spellCheckAction, a.fontAction});
    tools->addSeparator();
    tools->addAction(a.restoreNoteAction);
    tools->addSeparator();
    tools->addAction(a.optionsAction);
    tools->addSeparator();
    tools->addAction(a.checkForUpdatesAction);

    QMenu* help = window.menuBar()->addMenu(QStringLiteral("&Help"));
    help->addActions({a.helpAction, a.aboutAction, a.sendFeedbackAction});

    // The editors' pop-up menu.
    auto* popEdit = new QMenu(&window);
    popEdit->setObjectName(QStringLiteral("popEdit"));
    popEdit->addAction(a.undoAction);
    popEdit->addSeparator();
    popEdit->addActions({a.cutAction, a.copyAction, a.pasteAction});
    popEdit->addSeparator();
    popEdit->addAction(a.selectAllAction);
    for (LinkTextEdit* editor : editors) {
        editor->setContextMenuPolicy(Qt::CustomContextMenu);
        QObject::connect(editor, &QWidget::customContextMenuRequested, popEdit,
                         [editor, popEdit](const QPoint& at) {
                             editor->setFocus(Qt::PopupFocusReason);
                             popEdit->popup(editor->mapToGlobal(at));
                         });
    }
    // Find and start-find have no menu entry; their shortcuts work from anywhere in the window.
    window.addActions({a.findAction, a.startFindAction});
}

QToolBar* buildMainToolBar(QMainWindow& window, const ActionCatalog& a) {
    QToolBar* bar = window.addToolBar(QStringLiteral("ToolBar1"));
    bar->setObjectName(QStringLiteral("toolBar"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(16, 16));
    bar->setFixedHeight(29);
    bar->addSeparator();
    bar->addActions({a.newNoteAction, a.saveNoteAction, a.deleteNoteAction});
    bar->addSeparator();
    bar->addAction(a.undoAction);
    bar->addSeparator();
    bar->addActions({a.cutAction, a.copyAction, a.pasteAction});
    bar->addSeparator();
    bar->addAction(a.fontAction);
    bar->addSeparator();
    bar->addActions({a.exportAction, a.sendMailAction});
    bar->addSeparator();
    bar->addActions({a.spellCheckAction, a.printAction});
    bar->addSeparator();
    bar->addAction(a.helpAction);
    return bar;
}
