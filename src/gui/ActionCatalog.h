#pragma once

#include <QAction>
#include <QList>

// Every command of the main window, declared in one place with its caption, shortcut, hints and
// image. Menus and tool buttons are bound to these actions, so enabling an action enables them all.
struct ActionCatalog {
    explicit ActionCatalog(QObject* owner);

    QAction* actNewNote;
    QAction* actSaveNote;
    QAction* actDeleteNote;
    QAction* actPrint;
    QAction* actFont;
    QAction* actSaveNotesAs;
    QAction* actSendMail;
    QAction* actFind;
    QAction* actStartFind;
    QAction* actSpellCheck;
    QAction* actEditCut;
    QAction* actEditCopy;
    QAction* actEditPaste;
    QAction* actEditSelectAll;
    QAction* actEditUndo;

    // Menu-only commands.
    QAction* mnuExit;
    QAction* mnuOptions;
    QAction* mnuCheckForUpdates;
    QAction* mnuHelp;
    QAction* mnuAbout;
    QAction* mnuSendFeedback;

    // Sets the enabled state and shows the matching image (enabled, disabled).
    static void setEnabledWithImage(QAction* action, bool enabled, int enabledImage, int disabledImage);
};
