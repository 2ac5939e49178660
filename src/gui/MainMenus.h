#pragma once

#include <QList>

class LinkTextEdit;
class QMainWindow;
class QToolBar;
struct ActionCatalog;

// The main window's menus, the editors' pop-up menu and the tool bar, all bound to the catalog's
// actions.
void buildMainMenus(QMainWindow& window, const ActionCatalog& actions, const QList<LinkTextEdit*>& editors);
QToolBar* buildMainToolBar(QMainWindow& window, const ActionCatalog& actions);
