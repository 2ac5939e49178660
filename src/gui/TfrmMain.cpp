#include "TfrmMain.h"

#include "controls/DesktopFont.h"
#include "controls/NoteKeys.h"
#include "controls/TRichEditURL.h"
#include "gui/ActionCatalog.h"
#include "gui/EditingCommands.h"
#include "gui/ImageList.h"
#include "gui/NoteList.h"
#include "gui/OptionsCommands.h"
#include "gui/OutputCommands.h"
#include "gui/SearchBar.h"
#include "gui/SearchCommands.h"
#include "gui/SpellCommands.h"
#include "gui/SpellSettings.h"
#include "gui/TrayController.h"
#include "gui/UpdateCommands.h"
#include "gui/WaitCursor.h"
#include "gui/WindowSettingsBridge.h"
#include "gui/dialogs/ShellCommands.h"
#include "gui/dialogs/TfrmAddNote.h"
#include "gui/dialogs/TfrmSplash.h"
#include "platform/ErrorReporter.h"
#include "platform/Registry.h"
#include "platform/RunningVersion.h"
#include "platform/Vendor.h"
#include "spell/ui/LanguagePicker.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QString UnitName = QStringLiteral("Main");

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

template <typename Work> bool TfrmMain::guard(const char* method, Work&& work) {
    return guarded(m_errorLog, UnitName, QString::fromLatin1(method), LogMode::Loud,
                   std::forward<Work>(work));
}

template <typename Work> bool TfrmMain::guardQuietly(const char* method, Work&& work) {
    return guarded(m_errorLog, UnitName, QString::fromLatin1(method), LogMode::Quiet,
                   std::forward<Work>(work));
}

TfrmMain::TfrmMain(AppServices services, QWidget* parent)
    : QMainWindow(parent), m_services(std::move(services)), m_formats(LocaleFormats::capture()),
      m_messageDialogs(m_services.prompts), m_mail(m_services.shell, m_messageDialogs),
      m_errorLog(m_services.paths.logPath(), m_services.clock, m_formats, m_messageDialogs, m_mail,
                 [] { return RunningVersion::text(); }),
      m_store(m_formats, m_services.clock, m_messageDialogs,
              [this](const QString& method, const QString& message) {
                  m_errorLog.logError({UnitName, method, message});
              }),
      m_mailClient(m_messageDialogs), m_mailCommands(m_mailClient),
      m_actions(std::make_unique<ActionCatalog>(this)) {
    m_messageDialogs.setErrorLog(&m_errorLog);
    m_mailClient.setErrorLog(&m_errorLog);
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Quillnote"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/quillnote.png")));
    setFont(desktopFont());
    buildLayout();
    buildMenus();
    buildToolBar();
    ITrayIcon* icon = m_services.tray ? m_services.tray : new QtTrayIcon(this);
    m_tray = new TrayController(*this, *icon, m_errorLog, *m_actions->mnuExit);
    connectCommands();
    setGeometry(onScreen(DesignGeometry));
}

TfrmMain::~TfrmMain() {
    // The editors report their last focus change while the window's children are being destroyed.
    for (TRichEditURL* editor : {m_edtTitle, m_redNote})
        disconnect(editor, nullptr, this, nullptr);
    m_tray->remove(); // FormDestroy
}

void TfrmMain::buildLayout() {
    m_splitter = new QSplitter(Qt::Vertical, this);
    m_splitter->setObjectName(QStringLiteral("Splitter1"));
    m_splitter->setHandleWidth(3);
    m_splitter->setChildrenCollapsible(false);

    m_pnlContents = new QWidget(m_splitter);
    m_pnlContents->setObjectName(QStringLiteral("pnlContents"));
    m_pnlContents->setMinimumSize(600, 100);
    m_lblTitle = new QLabel(QStringLiteral("Title:"), m_pnlContents);
    m_lblTitle->move(6, 12);
    m_edtTitle = new TRichEditURL(/*singleLine=*/true, m_pnlContents);
    m_edtTitle->setObjectName(QStringLiteral("edtTitle"));
    m_edtTitle->setGeometry(37, TitleTop, DesignGeometry.width() - 50, TitleHeight);
    m_redNote = new TRichEditURL(/*singleLine=*/false, m_pnlContents);
    m_redNote->setObjectName(QStringLiteral("redNote"));
    m_lblCreationDate = new QLabel(m_pnlContents);
    m_lblCreationDate->setObjectName(QStringLiteral("lblCreationDate"));
    m_lblCreationDate->hide();
    m_pnlContents->installEventFilter(this);

    m_pnlNoteList = new QWidget(m_splitter);
    m_pnlNoteList->setObjectName(QStringLiteral("pnlNoteList"));
    m_pnlNoteList->setMinimumHeight(100);
    m_noteList = new NoteList(m_settings, m_pnlNoteList);
    m_noteList->fitDateColumns(m_formats);
    m_barStatus = new QStatusBar(m_pnlNoteList);
    m_barStatus->setObjectName(QStringLiteral("barStatus"));
    m_barStatus->setSizeGripEnabled(false);
    auto* listLayout = new QVBoxLayout(m_pnlNoteList);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->setSpacing(0);
    listLayout->addWidget(m_noteList->view());
    listLayout->addWidget(m_barStatus);

    m_splitter->addWidget(m_pnlContents);
    m_splitter->addWidget(m_pnlNoteList);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({DesignContentsHeight, DesignGeometry.height() - DesignContentsHeight});
    setCentralWidget(m_splitter);

    m_editing =
        new EditingCommands({*m_actions, *m_edtTitle, *m_redNote, *m_lblCreationDate, *m_noteList, m_store,
                             m_settings, m_messageDialogs, m_services.clock, m_formats, m_suppressChange},
                            this);
    m_searchBar = new SearchBar(*m_actions->actFind, this);
    m_searchBar->placeOn(m_barStatus);
    m_search = new SearchCommands({*m_noteList, *m_edtTitle, *m_redNote, m_settings, m_messageDialogs,
                                   *m_actions->actFind, [this] { lsvNotesDblClick(); },
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
    keys->watchTitle(m_edtTitle);
    keys->watchBody(m_redNote);
    m_output = std::make_unique<OutputCommands>(OutputCommands::Parts{
        *m_edtTitle, *m_redNote, *m_noteList, *m_editing, m_services.prompts, m_services.clock, m_formats,
        [this](const QString& method, const QString& message) {
            m_errorLog.logError({UnitName, method, message});
        },
        this});
}

void TfrmMain::buildMenus() {
    ActionCatalog& a = *m_actions;
    // The menu shows two commands under shorter captions than their tool-bar hints.
    auto alias = [this](QAction* action, const QString& caption) {
        auto* entry = new QAction(caption, this);
        entry->setIcon(action->icon());
        entry->setToolTip(action->toolTip());
        entry->setStatusTip(action->statusTip());
        entry->setShortcut(action->shortcut());
        entry->setShortcutContext(Qt::WidgetShortcut); // the action itself owns the shortcut
        entry->setEnabled(action->isEnabled());
        connect(action, &QAction::changed, entry, [action, entry] {
            entry->setEnabled(action->isEnabled());
            entry->setIcon(action->icon());
        });
        connect(entry, &QAction::triggered, action, &QAction::trigger);
        return entry;
    };

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addActions({a.actNewNote, a.actSaveNote, alias(a.actSaveNotesAs, QStringLiteral("Save &to File")),
                      alias(a.actSendMail, QStringLiteral("Send &as E-Mail"))});
    file->addSeparator();
    file->addAction(a.actPrint);
    file->addSeparator();
    file->addAction(a.actDeleteNote);
    file->addSeparator();
    file->addAction(a.mnuExit);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->addAction(a.actEditUndo);
    edit->addSeparator();
    edit->addActions({a.actEditCut, a.actEditCopy, a.actEditPaste});
    edit->addSeparator();
    edit->addAction(a.actEditSelectAll);

    QMenu* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    tools->addActions({a.actSpellCheck, a.actFont});
    tools->addSeparator();
    tools->addAction(a.mnuOptions);
    tools->addSeparator();
    tools->addAction(a.mnuCheckForUpdates);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addActions({a.mnuHelp, a.mnuAbout, a.mnuSendFeedback});

    // The editors' pop-up menu.
    auto* popEdit = new QMenu(this);
    popEdit->setObjectName(QStringLiteral("popEdit"));
    popEdit->addAction(a.actEditUndo);
    popEdit->addSeparator();
    popEdit->addActions({a.actEditCut, a.actEditCopy, a.actEditPaste});
    popEdit->addSeparator();
    popEdit->addAction(a.actEditSelectAll);
    for (TRichEditURL* editor : {m_edtTitle, m_redNote}) {
        editor->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(editor, &QWidget::customContextMenuRequested, this, [editor, popEdit](const QPoint& at) {
            editor->setFocus(Qt::PopupFocusReason);
            popEdit->popup(editor->mapToGlobal(at));
        });
    }
    // Find and start-find have no menu entry; their shortcuts work from anywhere in the window.
    addActions({a.actFind, a.actStartFind});
}

void TfrmMain::buildToolBar() {
    ActionCatalog& a = *m_actions;
    m_toolBar = addToolBar(QStringLiteral("ToolBar1"));
    m_toolBar->setObjectName(QStringLiteral("ToolBar1"));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->setFixedHeight(29);
    m_toolBar->addSeparator();
    m_toolBar->addActions({a.actNewNote, a.actSaveNote, a.actDeleteNote});
    m_toolBar->addSeparator();
    m_toolBar->addAction(a.actEditUndo);
    m_toolBar->addSeparator();
    m_toolBar->addActions({a.actEditCut, a.actEditCopy, a.actEditPaste});
    m_toolBar->addSeparator();
    m_toolBar->addAction(a.actFont);
    m_toolBar->addSeparator();
    m_toolBar->addActions({a.actSaveNotesAs, a.actSendMail});
    m_toolBar->addSeparator();
    m_toolBar->addActions({a.actSpellCheck, a.actPrint});
    m_toolBar->addSeparator();
    m_toolBar->addAction(a.mnuHelp);
}

void TfrmMain::connectCommands() {
    ActionCatalog& a = *m_actions;
    connect(a.mnuExit, &QAction::triggered, this, &TfrmMain::Exit1Click);
    connect(a.actNewNote, &QAction::triggered, this, &TfrmMain::actNewNoteExecute);
    connect(a.actSaveNote, &QAction::triggered, this, &TfrmMain::actSaveNoteExecute);
    connect(a.actDeleteNote, &QAction::triggered, this, &TfrmMain::actDeleteNoteExecute);
    connect(a.actFont, &QAction::triggered, this, &TfrmMain::actFontExecute);
    connect(a.mnuHelp, &QAction::triggered, this, &TfrmMain::mnuHelpClick);
    connect(m_tray->AddNote1(), &QAction::triggered, this, &TfrmMain::AddNote1Click);
    connect(a.actSendMail, &QAction::triggered, this, [this] {
        guard("actSendMailExecute", [&] {
            m_mailCommands.actSendMailExecute(m_edtTitle->text(), m_redNote->text(), m_mailFooter);
        });
    });
    connect(a.mnuSendFeedback, &QAction::triggered, this,
            [this] { guard("Sendfeedback1Click", [&] { m_mailCommands.Sendfeedback1Click(); }); });
    connect(a.actSaveNotesAs, &QAction::triggered, this,
            [this] { guard("actSaveNotesAsExecute", [&] { m_output->actSaveNotesAsExecute(); }); });
    connect(a.actPrint, &QAction::triggered, this,
            [this] { guard("actPrintExecute", [&] { m_output->actPrintExecute(); }); });
    connect(a.actFind, &QAction::triggered, this,
            [this] { guard("actFindExecute", [&] { m_search->actFindExecute(); }); });
    connect(a.actStartFind, &QAction::triggered, this,
            [this] { guard("actStartFindExecute", [&] { m_search->actStartFindExecute(); }); });
    m_spell = new SpellCommands(
        {*m_edtTitle, *m_redNote, m_services.prompts, m_errorLog, m_services.paths, this}, this);
    connect(a.actSpellCheck, &QAction::triggered, this,
            [this] { guard("actSpellCheckExecute", [&] { m_spell->actSpellCheckExecute(); }); });
    // The hidden language picker at the end of the tool bar, through which the stored language applies.
    m_cboSpellCheck = new LanguagePicker(&m_spell->configuration(), m_toolBar);
    m_cboSpellCheck->setObjectName(QStringLiteral("cboSpellCheck"));
    m_cboSpellCheck->applyProgramLook();
    m_cboSpellCheck->setSpellChecker(&m_spell->checker());
    m_toolBar->addWidget(m_cboSpellCheck)->setVisible(false);
    connect(a.mnuAbout, &QAction::triggered, this, &TfrmMain::Quillnote1Click);
    m_update = std::make_unique<UpdateCommands>(*this, m_messageDialogs, m_mail);
    connect(a.mnuCheckForUpdates, &QAction::triggered, this,
            [this] { guard("mnuCheckforUpdatesClick", [&] { m_update->CheckforUpdatesNow1Click(); }); });
    m_options = new OptionsCommands(
        {this, m_settings, m_store, m_errorLog, m_services.prompts, m_messageDialogs,
         [this] {
             LoadNotes();
             m_noteList->resortInCurrentDirection();
         },
         [this] { return m_editing->askToSaveChanges([this] { return actSaveNoteExecute(); }); },
         QCoreApplication::applicationFilePath()},
        this);
    m_options->setSpelling(&m_spell->checker(), &m_spell->configuration(),
                           [this](int index) { m_cboSpellCheck->setItemIndex(index); });
    connect(a.mnuOptions, &QAction::triggered, m_options, &OptionsCommands::mnuOptionsClick);
    const std::pair<QAction*, EditCommand> editing[] = {{a.actEditUndo, EditCommand::Undo},
                                                        {a.actEditCut, EditCommand::Cut},
                                                        {a.actEditCopy, EditCommand::Copy},
                                                        {a.actEditPaste, EditCommand::Paste},
                                                        {a.actEditSelectAll, EditCommand::SelectAll}};
    for (const auto& [action, command] : editing)
        connect(action, &QAction::triggered, m_editing,
                [this, command = command] { m_editing->editFocusedField(command); });

    connect(m_noteList, &NoteList::columnClicked, this, &TfrmMain::lsvNotesColumnClick);
    connect(m_noteList, &NoteList::selectionChangedTo, this, &TfrmMain::lsvNotesSelectItem);
    connect(m_noteList, &NoteList::clicked, this, &TfrmMain::lsvNotesClick);
    connect(m_noteList, &NoteList::doubleClicked, this, &TfrmMain::lsvNotesDblClick);
    for (TRichEditURL* editor : {m_edtTitle, m_redNote}) {
        connect(editor, &QPlainTextEdit::textChanged, this, &TfrmMain::edtTitleOriginalChange);
        connect(editor, &TRichEditURL::focusChanged, this, [this] { EnableUserControls(); });
        connect(editor, &TRichEditURL::OnURLClick, this, &TfrmMain::redNoteURLClick);
    }
}

// ---- start-up ----

void TfrmMain::FormCreate() {
    WaitCursor hourglass;
    m_startingUp = true;
    m_suppressChange = false;
    guard("FormCreate", [&] {
        // The about box serves as the splash screen; creating it reads the running version.
        m_splash = std::make_unique<TfrmSplash>(true, m_services.paths.executableFolder(), m_services.shell,
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
        if (!m_services.arguments.isEmpty() || m_settings.startMinimized)
            m_startMinimized = true;
        m_tray->install();
        m_search->showScope();
        openNotesFile();
        LoadNotes();
        EnableUserControls();
        sortAtStartUp();
    });
    m_splash.reset();
    m_startingUp = false;
}

void TfrmMain::readSettings() {
    WindowSettingsBridge bridge(*this, *m_splitter, *m_noteList->view()->header(), *m_edtTitle, *m_redNote);
    WindowSettings stored;
    guard("GetPositions", [&] {
        SettingsStore store{RegistryHive(m_services.paths.registryPath())};
        store.readSettings(stored, bridge.current(), m_settings, m_services.paths.dataFolder(), [this] {
            m_update->CheckforUpdatesNow1Click();
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
    applySpellSettings(m_settings, m_spell->checker(), *m_cboSpellCheck);
    if (m_settings.quillnoteLocation.isEmpty())
        m_settings.quillnoteLocation = m_services.paths.dataFolder();
    if (m_settings.alternateLocation.isEmpty())
        m_settings.alternateLocation = m_settings.quillnoteLocation;
    m_tray->setTrayRestoreState(windowState());
}

void TfrmMain::openNotesFile() {
    const QString path = NoteStore::notesPathFor(m_settings.storageFolder());
    m_store.setNotesPath(path);
    if (QFile::exists(path)) {
        m_store.open(path); // a file that does not parse ends the start-up (logged as FormCreate)
        return;
    }
    guard("WriteQuillnoteFile", [&] { m_store.createWithReadMe(m_services.paths.readMePath()); });
}

void TfrmMain::LoadNotes() {
    WaitCursor hourglass;
    m_noteList->view()->setUpdatesEnabled(false);
    guard("LoadNotes", [&] {
        m_editing->ClearNoteValues();
        m_noteList->LoadNotes(m_store);
    });
    m_editing->afterListRebuilt();
    m_noteList->view()->setUpdatesEnabled(true);
}

void TfrmMain::EnableUserControls() {
    guard("EnableUserControls", [&] { m_editing->EnableUserControls(); });
}

void TfrmMain::sortAtStartUp() {
    // The stored direction is the opposite of the one wanted: the header click reverses it.
    lsvNotesColumnClick(m_settings.sortColumn);
}

void TfrmMain::showAsStarted() {
    // A minimized start goes to the tray, whether an argument, the settings or the stored window state
    // asked for it; without a tray it stays reachable on the task bar.
    if (m_startMinimized || (windowState() & Qt::WindowMinimized))
        m_tray->MinimizeToTray();
    else
        show();
}

// ---- handlers ----

void TfrmMain::lsvNotesColumnClick(int column) {
    WaitCursor hourglass;
    guardQuietly("lsvNotesColumnClick", [&] { m_noteList->lsvNotesColumnClick(column); });
}

void TfrmMain::lsvNotesSelectItem(bool selected) {
    guardQuietly("lsvNotesSelectItem", [&] { m_editing->lsvNotesSelectItem(selected); });
}

void TfrmMain::lsvNotesClick() {
    EnableUserControls();
}

void TfrmMain::lsvNotesDblClick() {
    guard("lsvNotesDblClick", [&] {
        if (m_noteList->selectedRow() < 0 ||
            !m_editing->askToSaveChanges([this] { return actSaveNoteExecute(); }))
            return;
        m_editing->openSelectedNote();
    });
}

void TfrmMain::actNewNoteExecute() {
    guard("actNewNoteExecute", [&] {
        if (m_editing->askToSaveChanges([this] { return actSaveNoteExecute(); }))
            m_editing->actNewNoteExecute();
    });
}

bool TfrmMain::actSaveNoteExecute() {
    // The user asked to save: a cancelled or failed check still saves the note as it stands.
    if (m_settings.checkSpellingOnSave && m_actions->actSpellCheck->isEnabled())
        guard("actSpellCheckExecute", [&] { m_spell->actSpellCheckExecute(); });
    return guard("actSaveNoteExecute", [&] { m_editing->actSaveNoteExecute(); });
}

void TfrmMain::actDeleteNoteExecute() {
    guard("actDeleteNoteExecute", [&] {
        const std::optional<int> next = m_editing->deleteSelectedNote();
        if (!next)
            return;
        LoadNotes(); // the positions after the deleted note have changed
        if (m_noteList->model()->rowCount() == 0)
            return;
        m_noteList->resortInCurrentDirection();
        m_noteList->selectRow(std::max(*next, 0));
        lsvNotesDblClick();
    });
}

void TfrmMain::redNoteURLClick(const QString& url) {
    guard("redNoteURLClick", [&] {
        // A bare "www." link has no scheme; the desktop needs one. Whether it opens is not examined.
        const QUrl target = QUrl::fromUserInput(url);
        if (target.isValid())
            m_services.shell.openUrl(target);
    });
}

void TfrmMain::AddNote1Click() {
    guard("AddNote1Click", [&] {
        SettingsStore settings{RegistryHive(m_services.paths.registryPath())};
        const auto saveNote = [this](const QString& title, const QString& body) {
            m_noteList->addNewNote(m_store, title, body, m_services.clock.now(), m_formats);
        };
        TfrmAddNote::AddNote1Click({settings, saveNote, m_errorLog, m_services.clock, m_formats},
                                   isVisible() ? this : nullptr);
    });
}

void TfrmMain::bringForward() {
    guard("bringForward", [&] { m_tray->MaximizeFromTray(); });
}

void TfrmMain::mnuHelpClick() {
    guard("mnuHelpClick", [&] { ::mnuHelpClick(m_services.shell, m_services.paths.executableFolder()); });
}

void TfrmMain::Quillnote1Click() {
    guard("Quillnote1Click", [&] {
        TfrmSplash box(false, m_services.paths.executableFolder(), m_services.shell, m_messageDialogs,
                       &m_errorLog, this);
        box.exec();
    });
}

void TfrmMain::actFontExecute() {
    guard("actFontExecute", [&] {
        if (m_editing->actFontExecute())
            ResetFormLayout();
    });
}

void TfrmMain::edtTitleOriginalChange() {
    guardQuietly("edtTitleOriginalChange", [&] { m_editing->edtTitleOriginalChange(); });
}

MsgButton TfrmMain::MessageDlg(const QString& text, MsgKind kind, MsgButtons buttons) {
    return m_messageDialogs.messageDlg(text, kind, buttons);
}

// ---- layout ----

bool TfrmMain::event(QEvent* event) {
    // The status line is the list panel's bar, not the window's own, which does not exist.
    if (event->type() == QEvent::StatusTip) {
        m_barStatus->showMessage(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void TfrmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TfrmMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized) && !m_startingUp)
        m_tray->windowMinimized(static_cast<QWindowStateChangeEvent*>(event)->oldState());
}

void TfrmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    guard("FormShow", [&] { m_tray->FormShow(); });
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pnlContents && event->type() == QEvent::Resize)
        ResetFormLayout();
    return QMainWindow::eventFilter(watched, event);
}

void TfrmMain::FormResize() {
    guardQuietly("FormResize", [&] {
        m_edtTitle->resize(width() - 50, TitleHeight);
        m_searchBar->keepAligned();
    });
}

void TfrmMain::ResetFormLayout() {
    guardQuietly("ResetFormLayout", [&] {
        const int height = m_pnlContents->height() - TitleTop - m_edtTitle->height() - 8;
        m_redNote->setGeometry(0, m_pnlContents->height() - height, m_pnlContents->width(), height);
    });
}

// ---- end of life ----

bool TfrmMain::FormCloseQuery() {
    if (m_exitRequested)
        return true;
    if (m_settings.closeOnMenuOnly) {
        m_tray->MinimizeToTray(); // kept running, in the tray (or on the task bar without one)
        return false;
    }
    return true;
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    bool canClose = true;
    guard("FormCloseQuery", [&] { canClose = FormCloseQuery(); });
    if (!canClose) {
        event->ignore();
        return;
    }
    event->accept();
    if (!m_exitRequested) {
        FormClose();
        emit exitRequested();
    }
}

void TfrmMain::FormClose() {
    guard("FormClose", [&] {
        writeSettings();
        m_store.close();
    });
}

void TfrmMain::Exit1Click() {
    guard("Exit1Click", [&] {
        if (!m_editing->askToSaveChanges([this] { return actSaveNoteExecute(); }))
            return;
        writeSettings();
        m_store.close();
        m_exitRequested = true;
        close();
        emit exitRequested();
    });
}

void TfrmMain::sessionEnding() {
    bool mayEnd = true;
    guard("FormCloseQuery", [&] { mayEnd = FormCloseQuery(); });
    Q_UNUSED(mayEnd); // the session asks again; the Exit command runs in any case
    Exit1Click();
}

void TfrmMain::writeSettings() {
    guard("SetPositions", [&] {
        const WindowSettingsBridge bridge(*this, *m_splitter, *m_noteList->view()->header(), *m_edtTitle,
                                          *m_redNote);
        SettingsStore store{RegistryHive(m_services.paths.registryPath())};
        store.writeSettings(bridge.current(), m_settings);
    });
}
