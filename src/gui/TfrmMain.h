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
class EditingCommands;
class NoteList;
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
class TfrmMain final : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMain(AppServices services, QWidget* parent = nullptr);
    ~TfrmMain() override;

    void FormCreate();
    // Shows the window as the start-up left it: minimized, or with its saved bounds and state.
    void showAsStarted();

    void Exit1Click();
    MsgButton MessageDlg(const QString& text, MsgKind kind, MsgButtons buttons);
    // The end of the desktop session: the close query, then the whole Exit command.
    void sessionEnding();
    // Another start of the program asked for this window: back from the tray and to the front.
    void bringForward();

    // Layout rules, public for tests.
    void ResetFormLayout();

    // State shared with the commands.
    bool StartingUp() const { return m_startingUp; }
    bool ExitRequested() const { return m_exitRequested; }
    const QString& notesPath() const { return m_store.notesPath(); }
    const QString& MailFooter() const { return m_mailFooter; }

    ActionCatalog& actions() const { return *m_actions; }
    NoteList& noteList() const { return *m_noteList; }
    EditingCommands& editing() const { return *m_editing; }
    SearchBar& searchBar() const { return *m_searchBar; }
    TrayController& tray() const { return *m_tray; }
    OptionsCommands& options() const { return *m_options; }
    OutputCommands& output() const { return *m_output; }
    SpellCommands& spell() const { return *m_spell; }
    LanguagePicker* cboSpellCheck() const { return m_cboSpellCheck; }
    NoteStore& store() { return m_store; }
    AppSettings& settings() { return m_settings; }
    ErrorLog& errorLog() { return m_errorLog; }
    const AppServices& services() const { return m_services; }
    LinkTextEdit* edtTitle() const { return m_edtTitle; }
    LinkTextEdit* redNote() const { return m_redNote; }
    QWidget* pnlContents() const { return m_pnlContents; }
    QSplitter* splitter() const { return m_splitter; }

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
    void buildLayout();
    void buildMenus();
    void buildToolBar();
    void connectCommands();

    // Start-up steps that report their own failures.
    void readSettings();
    void openNotesFile();
    void LoadNotes();
    void EnableUserControls();
    void sortAtStartUp();

    // Handlers.
    void FormResize();
    void FormClose();
    bool FormCloseQuery();
    void lsvNotesColumnClick(int column);
    void lsvNotesSelectItem(bool selected);
    void lsvNotesClick();
    void lsvNotesDblClick();
    void actNewNoteExecute();
    bool actSaveNoteExecute();
    void actDeleteNoteExecute();
    void actFontExecute();
    void redNoteURLClick(const QString& url);
    void openHelp();
    void openQuickAdd();
    void Quillnote1Click();
    void edtTitleOriginalChange();
    void writeSettings();

    template <typename Work> bool guard(const char* method, Work&& work);
    template <typename Work> bool guardQuietly(const char* method, Work&& work);

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
    QWidget* m_pnlContents = nullptr;
    QLabel* m_lblTitle = nullptr;
    LinkTextEdit* m_edtTitle = nullptr;
    LinkTextEdit* m_redNote = nullptr;
    QLabel* m_lblCreationDate = nullptr;
    QSplitter* m_splitter = nullptr;
    QWidget* m_pnlNoteList = nullptr;
    QStatusBar* m_barStatus = nullptr;
    NoteList* m_noteList = nullptr;
    EditingCommands* m_editing = nullptr;
    SearchBar* m_searchBar = nullptr;
    SearchCommands* m_search = nullptr;
    TrayController* m_tray = nullptr;
    OptionsCommands* m_options = nullptr;
    SpellCommands* m_spell = nullptr;
    LanguagePicker* m_cboSpellCheck = nullptr;
    std::unique_ptr<OutputCommands> m_output;

    bool m_startingUp = false;
    bool m_exitRequested = false;
    bool m_suppressChange = false;
    bool m_startMinimized = false;
    QString m_mailFooter;
    std::unique_ptr<UpdateCommands> m_update; // the update check
    std::unique_ptr<AboutDialog> m_splash;    // only while starting up
};
