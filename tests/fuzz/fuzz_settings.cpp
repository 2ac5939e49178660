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
    w.top = 275;
    w.left = 555;
    w.width = 608;
    w.height = 615;
    w.contentsHeight = 180;
    w.windowState = WindowState::Normal;
    w.dateCreatedWidth = 75;
    w.lastModifiedWidth = 100;
    w.titleWidth = 200;
    w.fontFamily = QStringLiteral("Verdana");
    w.fontColour = WindowTextColourValue;
    w.fontSize = 8;
    w.fontStyle = FontStyle{};
    return w;
}

// Something else than what a first run holds, so that a value that is not read back shows.
WindowSettings otherWindow() {
    WindowSettings w = designWindow();
    w.top = -1;
    w.left = -1;
    w.width = 1;
    w.height = 1;
    w.contentsHeight = 1;
    w.windowState = WindowState::Minimized;
    w.dateCreatedWidth = w.lastModifiedWidth = w.titleWidth = 1;
    w.fontFamily = QStringLiteral("Other");
    w.fontColour = 1;
    w.fontSize = 99;
    w.fontStyle = FontStyle{true, true, true, true};
    return w;
}

void readSpelling(const RegistryHive& hive) {
    const SpellConfiguration spelling(&hive, QStringLiteral("/opt/quill/"), {});
    spelling.ispellDirectory();
    spelling.customDictionary();
    try {
        for (const QString& key : spelling.proofingLanguageKeys())
            spelling.proofingEntry(LanguageId(key.toUInt()));
    } catch (const QuillError&) {
    }
}

bool sameWindow(const WindowSettings& a, const WindowSettings& b) {
    return a.top == b.top && a.left == b.left && a.width == b.width && a.height == b.height &&
           a.contentsHeight == b.contentsHeight && a.windowState == b.windowState &&
           a.dateCreatedWidth == b.dateCreatedWidth && a.lastModifiedWidth == b.lastModifiedWidth &&
           a.titleWidth == b.titleWidth && a.fontFamily == b.fontFamily && a.fontColour == b.fontColour &&
           a.fontSize == b.fontSize && a.fontStyle == b.fontStyle;
}

bool sameOptions(const AppSettings& a, const AppSettings& b) {
    // The sort direction is stored reversed: the start-up sort turns it round again.
    return a.sortToggle == -b.sortToggle && a.sortColumn == b.sortColumn &&
           a.checkForUpdatesOnStartup == b.checkForUpdatesOnStartup && a.autoStart == b.autoStart &&
           a.startMinimized == b.startMinimized && a.loadNotesOnSearch == b.loadNotesOnSearch &&
           a.useAlternateLocation == b.useAlternateLocation && a.confirmOnDelete == b.confirmOnDelete &&
           a.closeOnMenuOnly == b.closeOnMenuOnly && a.searchAllNotes == b.searchAllNotes &&
           a.spellCheckerType == b.spellCheckerType && a.spellCheckerLanguage == b.spellCheckerLanguage;
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
        store.readSettings(window, current, options, folder, [] {});
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
        store.writeSettings(window, options);
    } catch (const QuillError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        FuzzSupport::fail("the settings cannot be written");
    }
    WindowSettings again = otherWindow();
    AppSettings optionsAgain;
    try {
        store.readSettings(again, otherWindow(), optionsAgain, folder, [] {});
    } catch (const QuillError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        FuzzSupport::fail("the settings written do not read back");
    }
    FuzzSupport::check(sameWindow(again, window), "the window settings read back differently");
    FuzzSupport::check(sameOptions(optionsAgain, options), "the options read back differently");
    return 0;
}
