#include "SettingsStore.h"

#include "platform/AppPaths.h"
#include "platform/QuillError.h"

#include <QDir>
#include <array>

namespace {

constexpr FontStyle style(bool bold, bool italic, bool underline, bool strikeOut) {
    return {bold, italic, underline, strikeOut};
}

// Index = code. 12 to 14 break the bit pattern of 0 to 11, as the stored codes always have.
constexpr std::array<FontStyle, 15> StyleOfCode = {
    style(false, false, false, false), style(true, false, false, false), style(false, true, false, false),
    style(true, true, false, false),   style(false, false, true, false), style(true, false, true, false),
    style(false, true, true, false),   style(true, true, true, false),   style(false, false, false, true),
    style(true, false, false, true),   style(false, true, false, true),  style(true, true, false, true),
    style(true, true, true, true),     style(false, true, true, true),   style(false, false, true, true),
};

// The note list has four columns.
constexpr int SortColumnCount = 4;
// Pixels kept free below the quick-add window by default.
constexpr int QuickAddBottomGap = 35;

QString nameOf(const char* name) {
    return QLatin1String(name);
}

bool boolOr(const RegistryKey& key, const QString& name, bool fallback) {
    return key.valueExists(name) ? key.readBool(name) : fallback;
}

int intOr(const RegistryKey& key, const QString& name, int fallback) {
    return key.valueExists(name) ? key.readInteger(name) : fallback;
}

// A stored size of 0 or less is no size: the fallback is kept.
int sizeOr(const RegistryKey& key, const QString& name, int fallback) {
    const int size = intOr(key, name, fallback);
    return size > 0 ? size : fallback;
}

// A stored folder that no longer exists falls back silently.
QString existingFolderOr(const RegistryKey& key, const QString& name, const QString& fallback) {
    if (!key.valueExists(name))
        return fallback;
    const QString folder = key.readString(name);
    return !folder.isEmpty() && QDir(folder).exists() ? folder : fallback;
}

QString withoutTrailingSlash(QString folder) {
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

template <typename T> const T& required(const std::optional<T>& value, const QString& name) {
    if (!value)
        throw QuillError(QStringLiteral("No value to write for '%1'").arg(name));
    return *value;
}

// Runs `work` and closes the key after it. The key is closed after a failure too, so that the values
// written before it reach the disk as they would in a registry; the first failure is the one thrown.
template <typename Work> void closingAfter(RegistryKey& key, Work&& work) {
    try {
        work();
    } catch (...) {
        try {
            key.close();
        } catch (const QuillError&) {
        }
        throw;
    }
    key.close();
}

WindowState stateOfCode(int code) {
    return code == 0 ? WindowState::Normal : code == 1 ? WindowState::Minimized : WindowState::Maximized;
}

int codeOfState(WindowState state) {
    switch (state) {
    case WindowState::Normal:
        return 0;
    case WindowState::Minimized:
        return 1;
    case WindowState::Maximized:
        break;
    }
    return 2;
}

int defaultQuickAddTop(int height, QRect desktop) {
    return desktop.y() + desktop.height() - height - QuickAddBottomGap;
}

int defaultQuickAddLeft(int width, QRect primaryScreen) {
    return primaryScreen.x() + primaryScreen.width() - width;
}

} // namespace

int fontStyleCode(const FontStyle& style) {
    for (size_t code = 0; code < StyleOfCode.size(); ++code) {
        if (StyleOfCode[code] == style)
            return int(code);
    }
    return UncodedFontStyle;
}

std::optional<FontStyle> fontStyleFromCode(int code) {
    if (code < 0 || code >= int(StyleOfCode.size()))
        return std::nullopt;
    return StyleOfCode[size_t(code)];
}

SettingsStore::SettingsStore(RegistryHive hive) : m_hive(std::move(hive)) {}

void SettingsStore::readSettings(WindowSettings& window, const WindowSettings& current, AppSettings& settings,
                                 const QString& executableFolder,
                                 const std::function<void()>& checkForUpdatesNow) {
    const auto key = m_hive.openKey(SettingsKeyPath);
    closingAfter(*key, [&] {
        const auto readBound = [&](const char* valueName, std::optional<int> WindowSettings::*member,
                                   bool sizeOnly) {
            const QString name = nameOf(valueName);
            if (!key->valueExists(name)) {
                // A window system that reports no positions leaves them to the first session that does.
                if (sizeOnly || current.*member)
                    key->writeInteger(name, required(current.*member, name));
                return;
            }
            const int value = key->readInteger(name);
            if (!sizeOnly || value > 0)
                window.*member = value;
        };
        readBound("Top", &WindowSettings::top, false);
        readBound("Left", &WindowSettings::left, false);
        readBound("Width", &WindowSettings::width, true);
        readBound("Height", &WindowSettings::height, true);
        readBound("NotePanelHeight", &WindowSettings::contentsHeight, true);

        const QString formState = QStringLiteral("FormState");
        if (key->valueExists(formState))
            window.windowState = stateOfCode(key->readInteger(formState));
        else
            key->writeInteger(formState, 0);

        for (const auto& [valueName, member] : {std::pair{"colDate", &WindowSettings::dateCreatedWidth},
                                                std::pair{"colTitle", &WindowSettings::lastModifiedWidth},
                                                std::pair{"colNote", &WindowSettings::titleWidth}}) {
            const QString name = nameOf(valueName);
            if (!key->valueExists(name))
                continue;
            const int width = key->readInteger(name);
            if (width > 0)
                window.*member = width;
        }

        // The three font values belong to "Font": they are read without asking whether they exist.
        if (key->valueExists(QStringLiteral("Font"))) {
            const QString name = key->readString(QStringLiteral("Font"));
            if (!name.isEmpty())
                window.fontFamily = name;
            window.fontColour = key->readInteger(QStringLiteral("fColor"));
            const int size = key->readInteger(QStringLiteral("fSize"));
            if (size > 0)
                window.fontSize = size;
            if (const auto style = fontStyleFromCode(key->readInteger(QStringLiteral("fStyle"))))
                window.fontStyle = style;
        }

        readAppSettings(*key, settings, executableFolder, checkForUpdatesNow);
    });
}

void SettingsStore::readAppSettings(const RegistryKey& key, AppSettings& s, const QString& executableFolder,
                                    const std::function<void()>& checkForUpdatesNow) {
    s.checkForUpdatesOnStartup = boolOr(key, QStringLiteral("CheckForUpdatesOnStartup"), false);
    if (s.checkForUpdatesOnStartup && checkForUpdatesNow)
        checkForUpdatesNow();
    s.autoStart = boolOr(key, QStringLiteral("AutoStartWithWindows"), false);
    s.startMinimized = boolOr(key, QStringLiteral("StartMinimized"), false);
    s.loadNotesOnSearch = boolOr(key, QStringLiteral("LoadNotesOnSearch"), false);
    s.useAlternateLocation = boolOr(key, QStringLiteral("UseAlternateLocation"), false);
    s.confirmOnDelete = boolOr(key, QStringLiteral("ConfirmOnDelete"), false);
    s.quillnoteLocation = existingFolderOr(key, QStringLiteral("QuillnoteLocation"),
                                           AppPaths::withTrailingSlash(executableFolder));
    s.alternateLocation = existingFolderOr(key, QStringLiteral("AlternateLocation"), s.quillnoteLocation);
    s.closeOnMenuOnly = boolOr(key, QStringLiteral("CloseOnMenuOnly"), false);
    s.searchAllNotes = boolOr(key, QStringLiteral("SearchAllNotes"), true);
    // A direction: 0 would never flip when negated and would leave the list stuck in one order.
    s.sortToggle = intOr(key, QStringLiteral("SortToggle"), 1) < 0 ? -1 : 1;
    const int column = intOr(key, QStringLiteral("SortColumn"), 0);
    s.sortColumn = column >= 0 && column < SortColumnCount ? column : 0;
    // An unknown engine leaves the default engine in place, as "none chosen" does.
    const int type = intOr(key, QStringLiteral("SpellCheckerType"), 0);
    s.spellCheckerType = type >= 0 && type <= 2 ? type : 0;
    if (s.spellCheckerType == 0) {
        s.spellCheckerLanguage = 1;
    } else {
        const int language = intOr(key, QStringLiteral("SpellCheckerLanguage"), 1);
        s.spellCheckerLanguage = language >= 0 ? language : 1;
    }
    // Read back, unlike the other spelling values: the option acts on every save, and a choice that
    // reverts at the next start would look like a fault.
    s.checkSpellingOnSave = boolOr(key, QStringLiteral("CheckSpellingOnSave"), false);
}

void SettingsStore::writeSettings(const WindowSettings& window, const AppSettings& s) {
    const auto key = m_hive.openKeyForWriting(SettingsKeyPath);
    closingAfter(*key, [&] {
        const auto writeWindowValue = [&](const char* valueName, const std::optional<int>& value) {
            const QString name = nameOf(valueName);
            key->writeInteger(name, required(value, name));
        };
        // Where the window system does not report positions (Wayland) there are none: the stored
        // ones stay for the next session that has them.
        for (const auto& [name, value] : {std::pair{"Top", window.top}, std::pair{"Left", window.left}})
            if (value)
                key->writeInteger(nameOf(name), *value);
        writeWindowValue("Width", window.width);
        writeWindowValue("Height", window.height);
        writeWindowValue("NotePanelHeight", window.contentsHeight);
        writeWindowValue("colDate", window.dateCreatedWidth);
        writeWindowValue("colTitle", window.lastModifiedWidth);
        writeWindowValue("colNote", window.titleWidth);
        key->writeString(QStringLiteral("Font"), required(window.fontFamily, QStringLiteral("Font")));
        writeWindowValue("fColor", window.fontColour);

        // Stored as the opposite direction: the start-up sort reverses it again. Taken by its sign, so
        // that no stored value can overflow when negated.
        key->writeInteger(QStringLiteral("SortToggle"), s.sortToggle < 0 ? 1 : -1);
        key->writeInteger(QStringLiteral("SortColumn"), s.sortColumn);

        // The one write whose failure is ignored: a size that no stored size can represent leaves the
        // stored size as it was.
        try {
            if (!window.fontSize || *window.fontSize < 1)
                throw QuillError(QStringLiteral("The font size cannot be stored"));
            key->writeInteger(QStringLiteral("fSize"), *window.fontSize);
        } catch (const QuillError&) {
        }

        key->writeInteger(QStringLiteral("fStyle"),
                          fontStyleCode(required(window.fontStyle, QStringLiteral("fStyle"))));
        key->writeInteger(QStringLiteral("FormState"),
                          codeOfState(required(window.windowState, QStringLiteral("FormState"))));

        key->writeBool(QStringLiteral("CheckForUpdatesOnStartup"), s.checkForUpdatesOnStartup);
        key->writeBool(QStringLiteral("AutoStartWithWindows"), s.autoStart);
        key->writeBool(QStringLiteral("StartMinimized"), s.startMinimized);
        key->writeBool(QStringLiteral("LoadNotesOnSearch"), s.loadNotesOnSearch);
        key->writeBool(QStringLiteral("UseAlternateLocation"), s.useAlternateLocation);
        key->writeString(QStringLiteral("AlternateLocation"), withoutTrailingSlash(s.alternateLocation));
        key->writeString(QStringLiteral("QuillnoteLocation"), s.quillnoteLocation);
        key->writeBool(QStringLiteral("CloseOnMenuOnly"), s.closeOnMenuOnly);
        key->writeBool(QStringLiteral("SearchAllNotes"), s.searchAllNotes);
        key->writeBool(QStringLiteral("ConfirmOnDelete"), s.confirmOnDelete);
        key->writeInteger(QStringLiteral("SpellCheckerType"), s.spellCheckerType);
        key->writeInteger(QStringLiteral("SpellCheckerLanguage"), s.spellCheckerLanguage);
        key->writeBool(QStringLiteral("CheckSpellingOnSave"), s.checkSpellingOnSave);
    });
}

QuickAddBounds SettingsStore::quickAddDefaults(QSize designSize, QRect primaryScreen, QRect desktop) {
    return {defaultQuickAddLeft(designSize.width(), primaryScreen),
            defaultQuickAddTop(designSize.height(), desktop), designSize.width(), designSize.height()};
}

QuickAddBounds SettingsStore::readQuickAdd(QSize designSize, QRect primaryScreen, QRect desktop) const {
    const auto key = m_hive.openKey(SettingsKeyPath);
    // In this order: the default top depends on the height, the default left on the width.
    const int height = sizeOr(*key, QStringLiteral("AddNoteHeight"), designSize.height());
    const int top = intOr(*key, QStringLiteral("AddNoteTop"), defaultQuickAddTop(height, desktop));
    const int width = sizeOr(*key, QStringLiteral("AddNoteWidth"), designSize.width());
    const int left = intOr(*key, QStringLiteral("AddNoteLeft"), defaultQuickAddLeft(width, primaryScreen));
    return {left, top, width, height};
}

void SettingsStore::writeQuickAdd(QRect actual, QSize designSize, QRect primaryScreen, QRect desktop) {
    const bool withinPrimary = actual.x() + actual.width() <= primaryScreen.x() + primaryScreen.width() &&
                               actual.y() + actual.height() <= primaryScreen.y() + primaryScreen.height();
    const QRect bounds = withinPrimary ? actual : quickAddDefaults(designSize, primaryScreen, desktop);
    const auto key = m_hive.openKeyForWriting(SettingsKeyPath);
    key->writeInteger(QStringLiteral("AddNoteHeight"), bounds.height());
    key->writeInteger(QStringLiteral("AddNoteTop"), bounds.y());
    key->writeInteger(QStringLiteral("AddNoteWidth"), bounds.width());
    key->writeInteger(QStringLiteral("AddNoteLeft"), bounds.x());
    key->close();
}
