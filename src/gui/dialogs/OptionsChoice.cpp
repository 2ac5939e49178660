#include "OptionsChoice.h"

#include "platform/AppPaths.h"

#include <QDir>
#include <QFileInfo>

QString storageFolderInUse(const AppSettings& settings) {
    return settings.UseAlternateLocation ? settings.AlternateLocation : settings.QuillnoteLocation;
}

bool namesExistingFolder(const QString& text) {
    return !text.isEmpty() && QFileInfo(text).isDir();
}

std::optional<QString> takeOptions(AppSettings& settings, const OptionsChoice& choice,
                                   const QString& folderInUse) {
    settings.CloseOnMenuOnly = choice.CloseFromMenuOnly;
    settings.StartMinimized = choice.StartMinimized;
    settings.CheckForUpdatesOnStartup = choice.CheckForUpdatesOnStartup;
    settings.LoadNotesOnSearch = choice.LoadNotesOnSearch;
    settings.ConfirmOnDelete = choice.ConfirmOnDelete;
    settings.SpellCheckerLanguage = choice.SpellCheckerLanguage;
    settings.CheckSpellingOnSave = choice.SpellCheckSave;

    std::optional<QString> target;
    const bool wasAlternate = settings.UseAlternateLocation;
    if (choice.UseAlternateLocation) {
        // Kept absolute: a relative folder would depend on where the program is started from.
        const QString folder = QDir::cleanPath(QFileInfo(choice.QuillLocation).absoluteFilePath());
        settings.AlternateLocation = AppPaths::withTrailingSlash(folder);
        if (!wasAlternate || settings.AlternateLocation != AppPaths::withTrailingSlash(folderInUse))
            target = settings.AlternateLocation;
    } else if (wasAlternate) {
        target = settings.QuillnoteLocation;
    }
    settings.UseAlternateLocation = choice.UseAlternateLocation;
    return target;
}

AutoStartChange autoStartChange(bool wasOn, bool isOn) {
    if (wasOn && !isOn)
        return AutoStartChange::Delete;
    if (!wasOn && isOn)
        return AutoStartChange::Create;
    return AutoStartChange::None;
}
