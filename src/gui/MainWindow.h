#pragma once

#include "gui/AppServices.h"
#include "gui/MailCommands.h"
#include "gui/MessageDialogs.h"
#include "output/ErrorLog.h"
#include "output/MailClient.h"
#include "output/MailRoutes.h"
#include "platform/LocaleFormats.h"
#include "store/AppSettings.h"
#include "store/NoteStore.h"

#include <QMainWindow>
#include <memory>

struct ActionCatalog;
class DeleteCommands;
class EditingCommands;
class KeptCopyCommands;
class NoteList;
class NotesFileWatcher;
class OptionsCommands;
class OutputCommands;
class QLabel;
class SearchBar;
class SearchCommands;
class SpellCommands;
class LanguagePicker;
class QSplitter;
class QStatusBar;
class QToolBar;
class LinkTextEdit;
class AboutDialog;
class TrayController;
class UpdateCommands;

// The main window: owns the notes document, the settings and the pieces the commands live in,
// wires them to the actions, and runs the start-up sequence and the end of the program's life.
class MainWindow final : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(AppServices services, QWidget* parent = nullptr);
    ~MainWindow() override;

    void startUp();
    // Shows the window as the start-up left it: minimized, or with its saved bounds and state.
    void showAsStarted();

    void exitProgram();
    // The end of the desktop session. When the session manager lets the program ask, this is the Exit
    // command; otherwise unsaved edits are saved as they stand. Returns false when the program stays.
    bool sessionEnding(bool mayAsk);
    // Another start of the program asked for this window: back from the tray and to the front.
    void bringForward();
    // The tray's "Add Note", and a start with --add-note.
    void openQuickAdd();

    // The one way into the window's parts, for tests.
    class TestAccess;
    TestAccess testAccess();

signals:
    void exitRequested();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void resetLayout();
    void buildLayout();
    void connectCommands();

    // Start-up steps that report their own failures.
    void readSettings();
    void openNotesFile();
    void loadNotes();
    void enableUserControls();
    void sortAtStartUp();

    // Handlers.
    void alignToWidth();
    void finishSession();
    void endRun();
    bool canClose();
    void sortByColumn(int column);
    void followSelection(bool selected);
    void openSelectedNoteAskingFirst();
    void newNote();
    bool saveNote();
    void chooseFont();
    void openLink(const QString& url);
    void openHelp();
    void showAbout();
    void markNoteEdited();
    void writeSettings();

    template <typename Work> bool guard(QLatin1String method, Work&& work);
    template <typename Work> bool guardQuietly(QLatin1String method, Work&& work);

    AppServices m_services;
    LocaleFormats m_formats;
    MessageDialogs m_messageDialogs;
    MailRoutes m_mail;
    ErrorLog m_errorLog;
    NoteStore m_store;
    AppSettings m_settings;
    MailClient m_mailClient;
    MailCommands m_mailCommands;

    std::unique_ptr<ActionCatalog> m_actions;
    QToolBar* m_toolBar = nullptr;
    QWidget* m_contentsPanel = nullptr;
    QLabel* m_titleLabel = nullptr;
    LinkTextEdit* m_titleEdit = nullptr;
    LinkTextEdit* m_bodyEdit = nullptr;
    QLabel* m_createdLabel = nullptr;
    QSplitter* m_splitter = nullptr;
    QWidget* m_noteListPanel = nullptr;
    QStatusBar* m_statusBar = nullptr;
    NoteList* m_noteList = nullptr;
    NotesFileWatcher* m_fileWatcher = nullptr;
    EditingCommands* m_editing = nullptr;
    std::unique_ptr<DeleteCommands> m_delete;
    SearchBar* m_searchBar = nullptr;
    SearchCommands* m_search = nullptr;
    TrayController* m_tray = nullptr;
    OptionsCommands* m_options = nullptr;
    KeptCopyCommands* m_keptCopies = nullptr;
    SpellCommands* m_spell = nullptr;
    LanguagePicker* m_languagePicker = nullptr;
    std::unique_ptr<OutputCommands> m_output;

    bool m_startingUp = false;
    bool m_exitRequested = false;
    bool m_suppressChange = false;
    bool m_startMinimized = false;
    QString m_mailFooter;
    std::unique_ptr<UpdateCommands> m_update; // the update check
    std::unique_ptr<AboutDialog> m_splash;    // only while starting up
};

class MainWindow::TestAccess {
public:
    explicit TestAccess(MainWindow& window) : w(window) {}

    void resetLayout() { w.resetLayout(); }
    bool isStartingUp() const { return w.m_startingUp; }
    bool isExiting() const { return w.m_exitRequested; }
    const QString& notesPath() const { return w.m_store.notesPath(); }
    const QString& mailFooter() const { return w.m_mailFooter; }

    ActionCatalog& actions() const { return *w.m_actions; }
    NoteList& noteList() const { return *w.m_noteList; }
    NotesFileWatcher& fileWatcher() const { return *w.m_fileWatcher; }
    EditingCommands& editing() const { return *w.m_editing; }
    SearchBar& searchBar() const { return *w.m_searchBar; }
    TrayController& tray() const { return *w.m_tray; }
    OptionsCommands& options() const { return *w.m_options; }
    KeptCopyCommands& keptCopies() const { return *w.m_keptCopies; }
    OutputCommands& output() const { return *w.m_output; }
    SpellCommands& spell() const { return *w.m_spell; }
    LanguagePicker* languagePicker() const { return w.m_languagePicker; }
    NoteStore& store() const { return w.m_store; }
    AppSettings& settings() const { return w.m_settings; }
    ErrorLog& errorLog() const { return w.m_errorLog; }
    const AppServices& services() const { return w.m_services; }
    LinkTextEdit* titleEdit() const { return w.m_titleEdit; }
    LinkTextEdit* bodyEdit() const { return w.m_bodyEdit; }
    QWidget* contentsPanel() const { return w.m_contentsPanel; }
    QSplitter* splitter() const { return w.m_splitter; }

private:
    MainWindow& w;
};

inline MainWindow::TestAccess MainWindow::testAccess() {
    return TestAccess(*this);
}
