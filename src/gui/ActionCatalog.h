#pragma once

#include <QAction>
#include <QList>

// Every command of the main window, declared in one place with its caption, shortcut, hints and
// image. Menus and tool buttons are bound to these actions, so enabling an action enables them all.
struct ActionCatalog {
    explicit ActionCatalog(QObject* owner);

    QAction* newNoteAction;
    QAction* saveNoteAction;
    QAction* deleteNoteAction;
    QAction* printAction;
    QAction* fontAction;
    QAction* exportAction;
    QAction* sendMailAction;
    QAction* findAction;
    QAction* startFindAction;
    QAction* spellCheckAction;
    QAction* cutAction;
    QAction* copyAction;
    QAction* pasteAction;
    QAction* selectAllAction;
    QAction* undoAction;
    QAction* undoDeleteAction;

    // Menu-only commands.
    QAction* exitAction;
    QAction* restoreNoteAction;
    QAction* optionsAction;
    QAction* checkForUpdatesAction;
    QAction* helpAction;
    QAction* aboutAction;
    QAction* sendFeedbackAction;

    // Sets the enabled state and shows the matching image (enabled, disabled).
    static void setEnabledWithImage(QAction* action, bool enabled, int enabledImage, int disabledImage);
};
