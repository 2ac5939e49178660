#include "MainWindow.h"

#include "controls/DesktopFont.h"
#include "controls/LinkTextEdit.h"
#include "controls/NoteKeys.h"
#include "gui/ActionCatalog.h"
#include "gui/DeleteCommands.h"
#include "gui/EditingCommands.h"
#include "gui/ImageList.h"
#include "gui/KeptCopyCommands.h"
#include "gui/MainMenus.h"
#include "gui/NoteList.h"
#include "gui/NotesFileWatcher.h"
#include "gui/OptionsCommands.h"
#include "gui/OutputCommands.h"
#include "gui/SearchBar.h"
#include "gui/SearchCommands.h"
#include "gui/SpellCommands.h"
#include "gui/SpellSettings.h"
#include "gui/TrayController.h"
#include "gui/UpdateCommands.h"
#include "gui/WaitCursor.h"
#include "gui/WindowPlacement.h"
#include "gui/WindowSettingsBridge.h"
#include "gui/dialogs/AboutDialog.h"
#include "gui/dialogs/QuickAddDialog.h"
#include "gui/dialogs/ShellCommands.h"
#include "platform/ErrorReporter.h"
#include "platform/LogNames.h"
#include "platform/Registry.h"
#include "platform/RunningVersion.h"
#include "platform/StartRequest.h"
#include "platform/Vendor.h"
#include "spell/ui/LanguagePicker.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QString UnitName = LogUnit::Main;

// Design values of the window, in pixels at 96 dots per inch.
constexpr QRect DesignGeometry(275, 555, 608, 615);
constexpr int DesignContentsHeight = 196;
constexpr int TitleTop = 8;
constexpr int TitleHeight = 21;

// The design place of the window, moved and shrunk as needed to lie on the screen together with
// the title bar that the window manager adds (not known before the first show).
QRect onScreen(QRect bounds) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return bounds;
    constexpr int TitleBarAllowance = 32;
    const QRect available = screen->availableGeometry().adjusted(0, 0, 0, -TitleBarAllowance);
    bounds.setSize(bounds.size().boundedTo(available.size()));
    bounds.moveLeft(std::clamp(bounds.left(), available.left(), available.right() + 1 - bounds.width()));
    bounds.moveTop(std::clamp(bounds.top(), available.top(), available.bottom() + 1 - bounds.height()));
    return bounds;
}

// The desktop's general font and size. Held in points, so that "fSize" can always be stored.
} // namespace

template <typename Work> bool MainWindow::guard(QLatin1String method, Work&& work) {
    return guarded(m_errorLog, UnitName, QString(method), LogMode::Loud, std::forward<Work>(work));
}

template <typename Work> bool MainWindow::guardQuietly(QLatin1String method, Work&& work) {
    return guarded(m_errorLog, UnitName, QString(method), LogMode::Quiet, std::forward<Work>(work));
}

MainWindow::MainWindow(AppServices services, QWidget* parent)
    : QMainWindow(parent), m_services(std::move(services)), m_formats(LocaleFormats::capture()),
      m_messageDialogs(m_services.prompts), m_mail(m_services.shell, m_messageDialogs),
      m_errorLog(m_services.paths.logPath(), m_services.clock, m_formats, m_messageDialogs, m_mail,
                 [] { return RunningVersion::text(); }),
      m_store(m_formats, m_services.clock, m_messageDialogs,
              [this](const QString& method, const QString& message) {
                  // A copy that could not be kept does not concern the note at hand.
                  if (method == LogRoutine::KeepCopy)
                      m_errorLog.logErrorQuietly({UnitName, method, message});
                  else
                      m_errorLog.logError({UnitName, method, message});
              }),
      m_mailClient(m_messageDialogs), m_mailCommands(m_mailClient),
      m_actions(std::make_unique<ActionCatalog>(this)) {
    m_messageDialogs.setErrorLog(&m_errorLog);
    m_mailClient.setErrorLog(&m_errorLog);
    m_store.setBusyListener(&showWaitCursor);
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Quillnote"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/quillnote.png")));
    setFont(desktopFont());
    buildLayout();
    buildMainMenus(*this, *m_actions, {m_titleEdit, m_bodyEdit});
    m_toolBar = buildMainToolBar(*this, *m_actions);
    ITrayIcon* icon = m_services.tray ? m_services.tray : new QtTrayIcon(this);
    m_tray = new TrayController(*this, *icon, m_errorLog, *m_actions->exitAction);
    connectCommands();
    setGeometry(onScreen(DesignGeometry));
}

MainWindow::~MainWindow() {
    // The editors report their last focus change while the window's children are being destroyed.
    for (LinkTextEdit* editor : {m_titleEdit, m_bodyEdit})
        disconnect(editor, nullptr, this, nullptr);
    m_tray->remove(); // FormDestroy
}

void MainWindow::buildLayout() {
    m_splitter = new QSplitter(Qt::Vertical, this);
    m_splitter->setObjectName(QStringLiteral("splitter"));
    m_splitter->setHandleWidth(3);
    m_splitter->setChildrenCollapsible(false);

    m_contentsPanel = new QWidget(m_splitter);
    m_contentsPanel->setObjectName(QStringLiteral("pnlContents"));
    m_contentsPanel->setMinimumSize(600, 100);
    m_titleLabel = new QLabel(QStringLiteral("Title:"), m_contentsPanel);
    m_titleLabel->move(6, 12);
    m_titleEdit = new LinkTextEdit(/*singleLine=*/true, m_contentsPanel);
    m_titleEdit->setObjectName(QStringLiteral("edtTitle"));
    m_titleEdit->setGeometry(37, TitleTop, DesignGeometry.width() - 50, TitleHeight);
    m_bodyEdit = new LinkTextEdit(/*singleLine=*/false, m_contentsPanel);
    m_bodyEdit->setObjectName(QStringLiteral("redNote"));
    m_createdLabel = new QLabel(m_contentsPanel);
    m_createdLabel->setObjectName(QStringLiteral("lblCreationDate"));
    m_createdLabel->hide();
    m_contentsPanel->installEventFilter(this);

    m_noteListPanel = new QWidget(m_splitter);
    m_noteListPanel->setObjectName(QStringLiteral("pnlNoteList"));
    m_noteListPanel->setMinimumHeight(100);
    m_noteList = new NoteList(m_settings, m_noteListPanel);
    m_noteList->fitDateColumns(m_formats);
    m_statusBar = new QStatusBar(m_noteListPanel);
    m_statusBar->setObjectName(QStringLiteral("barStatus"));
    m_statusBar->setSizeGripEnabled(false);
    auto* listLayout = new QVBoxLayout(m_noteListPanel);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->setSpacing(0);
    listLayout->addWidget(m_noteList->view());
    listLayout->addWidget(m_statusBar);

    m_splitter->addWidget(m_contentsPanel);
    m_splitter->addWidget(m_noteListPanel);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({DesignContentsHeight, DesignGeometry.height() - DesignContentsHeight});
    setCentralWidget(m_splitter);

    m_editing =
        new EditingCommands({*m_actions, *m_titleEdit, *m_bodyEdit, *m_createdLabel, *m_noteList, m_store,
                             m_settings, m_messageDialogs, m_services.clock, m_formats, m_suppressChange},
                            this);
    m_delete = std::make_unique<DeleteCommands>(
        DeleteCommands::Parts{*m_actions, *m_noteList, m_store, *m_editing, m_settings, m_messageDialogs,
                              [this] { return saveNote(); },
                              [this] {
                                  WaitCursor hourglass;
                                  guard(LogRoutine::LoadNotes, [&] { m_noteList->loadNotes(m_store); });
                              }});
    m_fileWatcher = new NotesFileWatcher(
        {m_store, *m_noteList, *m_editing, m_messageDialogs,
         [this](const QString& text) { m_statusBar->showMessage(text); },
         [this](const QString& message) {
             m_errorLog.logErrorQuietly({UnitName, LogRoutine::NotesFileChanged, message});
         }},
        this);
    m_searchBar = new SearchBar(*m_actions->findAction, this);
    m_searchBar->placeOn(m_statusBar);
    m_search = new SearchCommands({*m_noteList, *m_titleEdit, *m_bodyEdit, m_settings, m_messageDialogs,
                                   *m_actions->findAction, [this] { openSelectedNoteAskingFirst(); },
                                   [this](const QString& method, const QString& message) {
                                       m_errorLog.logError({UnitName, method, message});
                                   }},
                                  *m_searchBar, this);
    auto* keys = new NoteKeys(
        m_services.clock, m_formats,
        [this](const QString& method, const QString& message) {
            const ErrorInfo info{UnitName, method, message};
            if (method == QLatin1String("redNoteKeyUp"))
                m_errorLog.logError(info);
            else
                m_errorLog.logErrorQuietly(info);
        },
        this);
    keys->watchTitle(m_titleEdit);
    keys->watchBody(m_bodyEdit);
    m_output = std::make_unique<OutputCommands>(OutputCommands::Parts{
        *m_titleEdit, *m_bodyEdit, *m_noteList, *m_editing, m_services.prompts, m_services.clock, m_formats,
        [this](const QString& method, const QString& message) {
            m_errorLog.logError({UnitName, method, message});
        },
        this});
}

void MainWindow::connectCommands() {
    ActionCatalog& a = *m_actions;
    connect(a.exitAction, &QAction::triggered, this, &MainWindow::exitProgram);
    connect(a.newNoteAction, &QAction::triggered, this, &MainWindow::newNote);
    connect(a.saveNoteAction, &QAction::triggered, this, &MainWindow::saveNote);
    connect(a.deleteNoteAction, &QAction::triggered, this,
            [this] { guard(LogRoutine::DeleteNote, [&] { m_delete->deleteSelectedNote(); }); });
    connect(a.undoDeleteAction, &QAction::triggered, this,
            [this] { guard(LogRoutine::UndoDelete, [&] { m_delete->undoDelete(); }); });
    connect(a.fontAction, &QAction::triggered, this, &MainWindow::chooseFont);
    connect(a.helpAction, &QAction::triggered, this, &MainWindow::openHelp);
    connect(m_tray->addNoteAction(), &QAction::triggered, this, &MainWindow::openQuickAdd);
    connect(a.sendMailAction, &QAction::triggered, this, [this] {
        guard(LogRoutine::SendNote,
              [&] { m_mailCommands.sendNote(m_titleEdit->text(), m_bodyEdit->text(), m_mailFooter); });
    });
    connect(a.sendFeedbackAction, &QAction::triggered, this,
            [this] { guard(LogRoutine::SendFeedback, [&] { m_mailCommands.sendFeedback(); }); });
    connect(a.exportAction, &QAction::triggered, this,
            [this] { guard(LogRoutine::Export, [&] { m_output->exportNotes(); }); });
    connect(a.printAction, &QAction::triggered, this,
            [this] { guard(LogRoutine::Print, [&] { m_output->printNotes(); }); });
    connect(a.findAction, &QAction::triggered, this,
            [this] { guard(LogRoutine::Find, [&] { m_search->findText(); }); });
    connect(a.startFindAction, &QAction::triggered, this,
            [this] { guard(LogRoutine::StartFind, [&] { m_search->startFind(); }); });
    m_spell = new SpellCommands(
        {*m_titleEdit, *m_bodyEdit, m_services.prompts, m_errorLog, m_services.paths, this}, this);
    connect(a.spellCheckAction, &QAction::triggered, this,
            [this] { guard(LogRoutine::CheckSpelling, [&] { m_spell->checkSpelling(); }); });
    // The hidden language picker at the end of the tool bar, through which the stored language applies.
    m_languagePicker = new LanguagePicker(&m_spell->configuration(), m_toolBar);
    m_languagePicker->setObjectName(QStringLiteral("cboSpellCheck"));
    m_languagePicker->applyProgramLook();
    m_languagePicker->setSpellChecker(&m_spell->checker());
    m_toolBar->addWidget(m_languagePicker)->setVisible(false);
    connect(a.aboutAction, &QAction::triggered, this, &MainWindow::showAbout);
    m_update = std::make_unique<UpdateCommands>(
        UpdateCommands::Parts{m_services, m_messageDialogs, m_mail, m_errorLog, m_settings, m_startingUp});
    connect(a.checkForUpdatesAction, &QAction::triggered, this,
            [this] { guard(LogRoutine::CheckForUpdates, [&] { m_update->checkForUpdates(); }); });
    m_options =
        new OptionsCommands({this, m_settings, m_store, m_errorLog, m_services.prompts, m_messageDialogs,
                             [this] {
                                 loadNotes();
                                 m_noteList->resortInCurrentDirection();
                             },
                             [this] { return m_editing->askToSaveChanges([this] { return saveNote(); }); },
                             QCoreApplication::applicationFilePath()},
                            this);
    m_options->setSpelling(&m_spell->checker(), &m_spell->configuration(),
                           [this](int index) { m_languagePicker->setItemIndex(index); });
    connect(a.optionsAction, &QAction::triggered, m_options, &OptionsCommands::showOptions);
    m_keptCopies = new KeptCopyCommands(
        {m_store, *m_noteList, m_messageDialogs, m_services.clock, m_formats, this}, this);
    connect(a.restoreNoteAction, &QAction::triggered, this,
            [this] { guard(LogRoutine::RestoreNote, [&] { m_keptCopies->restoreNotes(); }); });
    const std::pair<QAction*, EditCommand> editing[] = {{a.undoAction, EditCommand::Undo},
                                                        {a.cutAction, EditCommand::Cut},
                                                        {a.copyAction, EditCommand::Copy},
                                                        {a.pasteAction, EditCommand::Paste},
                                                        {a.selectAllAction, EditCommand::SelectAll}};
    for (const auto& [action, command] : editing)
        connect(action, &QAction::triggered, m_editing,
                [this, command = command] { m_editing->editFocusedField(command); });

    connect(m_noteList, &NoteList::columnClicked, this, &MainWindow::sortByColumn);
    connect(m_noteList, &NoteList::selectionChangedTo, this, &MainWindow::followSelection);
    connect(m_noteList, &NoteList::clicked, this, &MainWindow::enableUserControls);
    connect(m_noteList, &NoteList::doubleClicked, this, &MainWindow::openSelectedNoteAskingFirst);
    for (LinkTextEdit* editor : {m_titleEdit, m_bodyEdit}) {
        connect(editor, &QPlainTextEdit::textChanged, this, &MainWindow::markNoteEdited);
        connect(editor, &LinkTextEdit::focusChanged, this, [this] { enableUserControls(); });
        connect(editor, &LinkTextEdit::linkClicked, this, &MainWindow::openLink);
    }
}

// ---- start-up ----

void MainWindow::startUp() {
    WaitCursor hourglass;
    m_startingUp = true;
    m_suppressChange = false;
    guard(LogRoutine::Create, [&] {
        // The about box serves as the splash screen; creating it reads the running version.
        m_splash = std::make_unique<AboutDialog>(true, m_services.paths.executableFolder(), m_services.shell,
                                                 m_messageDialogs, &m_errorLog);
        // Start-up benchmarks time the main window alone.
        if (!qEnvironmentVariableIsSet("QUILLNOTE_NO_SPLASH")) {
            m_splash->show();
            m_splash->repaint();
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }
        m_mailFooter = QStringLiteral("\n\n") + QString(50, QLatin1Char('_')) +
                       QStringLiteral("\nThis message sent via Quillnote ") + RunningVersion::text() +
                       QStringLiteral(".\n") + WebSiteAddress;
        m_formats = LocaleFormats::capture();
        readSettings();
        if (StartRequest::startsHidden(m_services.arguments, m_tray->trayAvailable()) ||
            m_settings.startMinimized)
            m_startMinimized = true;
        m_tray->install();
        m_search->showScope();
        openNotesFile();
        loadNotes();
        enableUserControls();
        sortAtStartUp();
    });
    m_splash.reset();
    m_startingUp = false;
}

void MainWindow::readSettings() {
    WindowSettingsBridge bridge(*this, *m_splitter, *m_noteList->view()->header(), *m_titleEdit, *m_bodyEdit);
    WindowSettings stored;
    guard(LogRoutine::ReadPositions, [&] {
        SettingsStore store{RegistryHive(m_services.paths.registryPath())};
        store.readSettings(stored, bridge.current(), m_settings, m_services.paths.dataFolder(), [this] {
            m_update->checkForUpdates();
            QCoreApplication::processEvents();
        });
    });
    // A minimized start is kept as a flag until the loop starts. Minimizing the native window before its
    // first show would leave it marked iconic, and on X11 the window manager then iconifies it again
    // when it comes back from the tray.
    if (stored.windowState == WindowState::Minimized) {
        m_startMinimized = true;
        stored.windowState.reset();
    }
    bridge.apply(stored); // what was read before a failure still applies
    applySpellSettings(m_settings, m_spell->checker(), *m_languagePicker);
    if (m_settings.quillnoteLocation.isEmpty())
        m_settings.quillnoteLocation = m_services.paths.dataFolder();
    if (m_settings.alternateLocation.isEmpty())
        m_settings.alternateLocation = m_settings.quillnoteLocation;
    m_tray->setTrayRestoreState(windowState());
}

void MainWindow::openNotesFile() {
    const QString path = NoteStore::notesPathFor(m_settings.storageFolder());
    m_store.setNotesPath(path);
    if (QFile::exists(path)) {
        try {
            m_store.open(path);
        } catch (const std::exception& e) {
            // Declined or without a copy that reads, it ends the start-up (logged as startUp).
            if (!m_keptCopies->offerCopyAtStartUp(messageOf(e)))
                throw;
        }
        return;
    }
    guard(LogRoutine::WriteNotesFile, [&] { m_store.createWithReadMe(m_services.paths.readMePath()); });
}

void MainWindow::loadNotes() {
    WaitCursor hourglass;
    m_noteList->view()->setUpdatesEnabled(false);
    guard(LogRoutine::LoadNotes, [&] {
        m_editing->clearNote();
        m_noteList->loadNotes(m_store);
    });
    m_editing->afterListRebuilt();
    m_noteList->view()->setUpdatesEnabled(true);
    m_fileWatcher->watch(m_store.notesPath());
}

void MainWindow::enableUserControls() {
    guard(LogRoutine::EnableControls, [&] { m_editing->enableUserControls(); });
}

void MainWindow::sortAtStartUp() {
    // The stored direction is the opposite of the one wanted: the header click reverses it.
    sortByColumn(m_settings.sortColumn);
}

void MainWindow::showAsStarted() {
    // A minimized start goes to the tray, whether an argument, the settings or the stored window state
    // asked for it; without a tray it stays reachable on the task bar.
    if (m_startMinimized || (windowState() & Qt::WindowMinimized))
        m_tray->minimizeToTray();
    else
        show();
}

// ---- handlers ----

void MainWindow::sortByColumn(int column) {
    WaitCursor hourglass;
    guardQuietly(LogRoutine::SortByColumn, [&] { m_noteList->sortByColumn(column); });
}

void MainWindow::followSelection(bool selected) {
    guardQuietly(LogRoutine::SelectNote, [&] { m_editing->followSelection(selected); });
}

void MainWindow::openSelectedNoteAskingFirst() {
    guard(LogRoutine::OpenNote, [&] {
        if (m_noteList->selectedRow() < 0 || !m_editing->askToSaveChanges([this] { return saveNote(); }))
            return;
        m_editing->openSelectedNote();
    });
}

void MainWindow::newNote() {
    guard(LogRoutine::NewNote, [&] {
        if (m_editing->askToSaveChanges([this] { return saveNote(); }))
            m_editing->newNote();
    });
}

bool MainWindow::saveNote() {
    // The user asked to save: a cancelled or failed check still saves the note as it stands.
    if (m_settings.checkSpellingOnSave && m_actions->spellCheckAction->isEnabled())
        guard(LogRoutine::CheckSpelling, [&] { m_spell->checkSpelling(); });
    return guard(LogRoutine::SaveNote, [&] { m_editing->saveNote(); });
}

void MainWindow::openLink(const QString& url) {
    guard(LogRoutine::OpenLink, [&] {
        // A bare "www." link has no scheme; the desktop needs one. Whether it opens is not examined.
        const QUrl target = QUrl::fromUserInput(url);
        if (target.isValid())
            m_services.shell.openUrl(target);
    });
}

void MainWindow::openQuickAdd() {
    guard(LogRoutine::QuickAdd, [&] {
        SettingsStore settings{RegistryHive(m_services.paths.registryPath())};
        const auto saveNote = [this](const QString& title, const QString& body) {
            m_noteList->addNewNote(m_store, title, body, m_services.clock.now(), m_formats);
        };
        QuickAddDialog::openQuickAdd({settings, saveNote, m_errorLog, m_services.clock, m_formats,
                                      WindowPlacement::current().knowsPositions()},
                                     isVisible() ? this : nullptr);
    });
}

void MainWindow::bringForward() {
    guard(LogRoutine::BringForward, [&] { m_tray->restoreFromTray(); });
}

void MainWindow::openHelp() {
    guard(LogRoutine::Help, [&] { ::openHelp(m_services.shell, m_services.paths.executableFolder()); });
}

void MainWindow::showAbout() {
    guard(LogRoutine::About, [&] {
        AboutDialog box(false, m_services.paths.executableFolder(), m_services.shell, m_messageDialogs,
                        &m_errorLog, this);
        box.exec();
    });
}

void MainWindow::chooseFont() {
    guard(LogRoutine::ChooseFont, [&] {
        if (m_editing->chooseFont())
            resetLayout();
    });
}

void MainWindow::markNoteEdited() {
    guardQuietly(LogRoutine::NoteEdited, [&] { m_editing->markNoteEdited(); });
}

// ---- layout ----

bool MainWindow::event(QEvent* event) {
    // The status line is the list panel's bar, not the window's own, which does not exist.
    if (event->type() == QEvent::StatusTip) {
        m_statusBar->showMessage(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    alignToWidth();
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized) && !m_startingUp)
        m_tray->windowMinimized(static_cast<QWindowStateChangeEvent*>(event)->oldState());
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    guard(LogRoutine::Show, [&] { m_tray->setTrayTexts(); });
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_contentsPanel && event->type() == QEvent::Resize)
        resetLayout();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::alignToWidth() {
    guardQuietly(LogRoutine::Resize, [&] {
        m_titleEdit->resize(width() - 50, TitleHeight);
        m_searchBar->keepAligned();
    });
}

void MainWindow::resetLayout() {
    guardQuietly(LogRoutine::ResetLayout, [&] {
        const int height = m_contentsPanel->height() - TitleTop - m_titleEdit->height() - 8;
        m_bodyEdit->setGeometry(0, m_contentsPanel->height() - height, m_contentsPanel->width(), height);
    });
}

// ---- end of life ----

bool MainWindow::canClose() {
    if (m_exitRequested)
        return true;
    if (m_settings.closeOnMenuOnly) {
        m_tray->minimizeToTray(); // kept running, in the tray (or on the task bar without one)
        return false;
    }
    // Closing ends the program, so the open note's edits get the Exit command's question.
    return m_editing->askToSaveChanges([this] { return saveNote(); });
}

void MainWindow::closeEvent(QCloseEvent* event) {
    bool mayClose = true;
    guard(LogRoutine::CloseQuery, [&] { mayClose = canClose(); });
    if (!mayClose) {
        event->ignore();
        return;
    }
    event->accept();
    if (!m_exitRequested) {
        finishSession();
        emit exitRequested();
    }
}

void MainWindow::finishSession() {
    guard(LogRoutine::Close, [&] {
        writeSettings();
        m_store.close();
    });
}

void MainWindow::exitProgram() {
    guard(LogRoutine::Exit, [&] {
        if (m_editing->askToSaveChanges([this] { return saveNote(); }))
            endRun();
    });
}

void MainWindow::endRun() {
    writeSettings();
    m_store.close();
    m_exitRequested = true;
    close();
    emit exitRequested();
}

bool MainWindow::sessionEnding(bool mayAsk) {
    if (mayAsk) {
        exitProgram();
        return m_exitRequested;
    }
    // No one can answer a question or a spelling dialog now: the note is saved as it stands.
    guardQuietly(LogRoutine::SessionEnd, [&] {
        if (m_editing->hasUnsavedChanges())
            guardQuietly(LogRoutine::SaveNote, [&] { m_editing->saveNote(); });
        endRun();
    });
    return true;
}

void MainWindow::writeSettings() {
    guard(LogRoutine::WritePositions, [&] {
        const WindowSettingsBridge bridge(*this, *m_splitter, *m_noteList->view()->header(), *m_titleEdit,
                                          *m_bodyEdit);
        SettingsStore store{RegistryHive(m_services.paths.registryPath())};
        WindowSettings current = bridge.current();
        // A window in the tray comes back as it left: the platform may still report it minimized.
        if (m_tray->inTray())
            current.windowState =
                m_tray->restoreState() & Qt::WindowMaximized ? WindowState::Maximized : WindowState::Normal;
        store.writeSettings(current, m_settings);
    });
}
