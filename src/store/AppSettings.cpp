#include "AppSettings.h"

#include "platform/AppPaths.h"
#include "platform/Registry.h"

#include <QDir>

namespace {

bool boolOr(const RegistryKey& key, const QString& name, bool fallback) {
    return key.valueExists(name) ? key.readBool(name) : fallback;
}

int intOr(const RegistryKey& key, const QString& name, int fallback) {
    return key.valueExists(name) ? key.readInteger(name) : fallback;
}

// A stored folder that no longer exists falls back silently.
QString existingFolderOr(const RegistryKey& key, const QString& name, const QString& fallback) {
    if (!key.valueExists(name))
        return fallback;
    const QString folder = key.readString(name);
    return !folder.isEmpty() && QDir(folder).exists() ? folder : fallback;
}

} // namespace

void AppSettingsIO::read(const RegistryKey& key, AppSettings& s, const QString& defaultFolder) {
    s.CheckForUpdatesOnStartup = boolOr(key, QStringLiteral("CheckForUpdatesOnStartup"), false);
    s.AutoStartWithWindows = boolOr(key, QStringLiteral("AutoStartWithWindows"), false);
    s.StartMinimized = boolOr(key, QStringLiteral("StartMinimized"), false);
    s.LoadNotesOnSearch = boolOr(key, QStringLiteral("LoadNotesOnSearch"), false);
    s.UseAlternateLocation = boolOr(key, QStringLiteral("UseAlternateLocation"), false);
    s.ConfirmOnDelete = boolOr(key, QStringLiteral("ConfirmOnDelete"), false);
    s.QuillnoteLocation = existingFolderOr(key, QStringLiteral("QuillnoteLocation"),
                                           AppPaths::withTrailingSlash(defaultFolder));
    s.AlternateLocation = existingFolderOr(key, QStringLiteral("AlternateLocation"), s.QuillnoteLocation);
    s.CloseOnMenuOnly = boolOr(key, QStringLiteral("CloseOnMenuOnly"), false);
    s.SearchAllNotes = boolOr(key, QStringLiteral("SearchAllNotes"), true);
    s.SortToggle = intOr(key, QStringLiteral("SortToggle"), 1);
    s.SortColumn = intOr(key, QStringLiteral("SortColumn"), 0);
    s.SpellCheckerType = intOr(key, QStringLiteral("SpellCheckerType"), 0);
    s.SpellCheckerLanguage =
        s.SpellCheckerType == 0 ? 1 : intOr(key, QStringLiteral("SpellCheckerLanguage"), 1);
}
