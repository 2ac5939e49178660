// The settings file as the program reads it at start-up (window, options, quick-add window, update
// server, spelling keys), then written at the end of the run and read again.
#include "FuzzSupport.h"

#include "platform/QuillError.h"
#include "platform/Registry.h"
#include "spell/engine/SpellConfiguration.h"
#include "store/SettingsStore.h"
#include "update/UpdateServer.h"

#include <QDateTime>

namespace {

WindowSettings designWindow() {
    WindowSettings w;
    w.Top = 275;
    w.Left = 555;
    w.Width = 608;
    w.Height = 615;
    w.NotePanelHeight = 180;
    w.FormState = WindowState::Normal;
    w.colDate = 75;
    w.colTitle = 100;
    w.colNote = 200;
    w.Font = QStringLiteral("Verdana");
    w.fColor = WindowTextColourValue;
    w.fSize = 8;
    w.fStyle = FontStyle{};
    return w;
}

// Something else than what a first run holds, so that a value that is not read back shows.
WindowSettings otherWindow() {
    WindowSettings w = designWindow();
    w.Top = -1;
    w.Left = -1;
    w.Width = 1;
    w.Height = 1;
    w.NotePanelHeight = 1;
    w.FormState = WindowState::Minimized;
    w.colDate = w.colTitle = w.colNote = 1;
    w.Font = QStringLiteral("Other");
    w.fColor = 1;
    w.fSize = 99;
    w.fStyle = FontStyle{true, true, true, true};
    return w;
}

void readSpelling(const RegistryHive& hive) {
    const SpellConfiguration spelling(&hive, QStringLiteral("/opt/quill/"), {});
    spelling.ispellDirectory();
    spelling.customDictionary();
    try {
        for (const QString& key : spelling.proofingLanguageKeys())
            spelling.proofingEntry(TLanguage(key.toUInt()));
    } catch (const QuillError&) {
    }
}

bool sameWindow(const WindowSettings& a, const WindowSettings& b) {
    return a.Top == b.Top && a.Left == b.Left && a.Width == b.Width && a.Height == b.Height &&
           a.NotePanelHeight == b.NotePanelHeight && a.FormState == b.FormState && a.colDate == b.colDate &&
           a.colTitle == b.colTitle && a.colNote == b.colNote && a.Font == b.Font && a.fColor == b.fColor &&
           a.fSize == b.fSize && a.fStyle == b.fStyle;
}

bool sameOptions(const AppSettings& a, const AppSettings& b) {
    // The sort direction is stored reversed: the start-up sort turns it round again.
    return a.SortToggle == -b.SortToggle && a.SortColumn == b.SortColumn &&
           a.CheckForUpdatesOnStartup == b.CheckForUpdatesOnStartup &&
           a.AutoStartWithWindows == b.AutoStartWithWindows && a.StartMinimized == b.StartMinimized &&
           a.LoadNotesOnSearch == b.LoadNotesOnSearch && a.UseAlternateLocation == b.UseAlternateLocation &&
           a.ConfirmOnDelete == b.ConfirmOnDelete && a.CloseOnMenuOnly == b.CloseOnMenuOnly &&
           a.SearchAllNotes == b.SearchAllNotes && a.SpellCheckerType == b.SpellCheckerType &&
           a.SpellCheckerLanguage == b.SpellCheckerLanguage;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static qint64 inputs = 0;
    const QString& folder = FuzzSupport::scratchFolder();
    const QString path = folder + QStringLiteral("/registry.ini");
    QFile::remove(path + QStringLiteral(".damaged"));
    {
        // The settings reader parses a file again only when its size or time has changed: each input
        // gets a time of its own.
        FuzzSupport::writeFile(path, FuzzSupport::bytesOf(data, size));
        QFile file(path);
        if (!file.open(QIODevice::ReadWrite) ||
            !file.setFileTime(QDateTime::fromSecsSinceEpoch(946684800 + ++inputs),
                              QFileDevice::FileModificationTime))
            FuzzSupport::fail("cannot date the input file");
    }

    const RegistryHive hive(path);
    SettingsStore store(hive);
    const WindowSettings current = designWindow();
    WindowSettings window = current;
    AppSettings options;
    try {
        store.GetPositions(window, current, options, folder, [] {});
    } catch (const QuillError&) {
    }
    try {
        store.readQuickAdd(QSize(300, 250), QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1080));
    } catch (const QuillError&) {
    }
    try {
        UpdateServer::versionFile(UpdateServer::base(hive));
    } catch (const QuillError&) {
    }
    readSpelling(hive);

    // What was read is written at exit, and must read back in full at the next start.
    try {
        store.SetPositions(window, options);
    } catch (const QuillError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        FuzzSupport::fail("the settings cannot be written");
    }
    WindowSettings again = otherWindow();
    AppSettings optionsAgain;
    try {
        store.GetPositions(again, otherWindow(), optionsAgain, folder, [] {});
    } catch (const QuillError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        FuzzSupport::fail("the settings written do not read back");
    }
    FuzzSupport::check(sameWindow(again, window), "the window settings read back differently");
    FuzzSupport::check(sameOptions(optionsAgain, options), "the options read back differently");
    return 0;
}
