#include "OptionsChoice.h"

#include "platform/AppPaths.h"

#include <QDir>
#include <QFileInfo>

QString storageFolderInUse(const AppSettings& settings) {
    return settings.useAlternateLocation ? settings.alternateLocation : settings.quillnoteLocation;
}

bool namesExistingFolder(const QString& text) {
    return !text.isEmpty() && QFileInfo(text).isDir();
}

std::optional<QString> takeOptions(AppSettings& settings, const OptionsChoice& choice,
                                   const QString& folderInUse) {
    settings.closeOnMenuOnly = choice.closeOnMenuOnly;
    settings.startMinimized = choice.startMinimized;
    settings.checkForUpdatesOnStartup = choice.checkForUpdatesOnStartup;
    settings.loadNotesOnSearch = choice.loadNotesOnSearch;
    settings.confirmOnDelete = choice.confirmOnDelete;
    settings.spellCheckerLanguage = choice.spellCheckerLanguage;
    settings.checkSpellingOnSave = choice.checkSpellingOnSave;

    std::optional<QString> target;
    const bool wasAlternate = settings.useAlternateLocation;
    if (choice.useAlternateLocation) {
        // Kept absolute: a relative folder would depend on where the program is started from.
        const QString folder = QDir::cleanPath(QFileInfo(choice.location).absoluteFilePath());
        settings.alternateLocation = AppPaths::withTrailingSlash(folder);
        if (!wasAlternate || settings.alternateLocation != AppPaths::withTrailingSlash(folderInUse))
            target = settings.alternateLocation;
    } else if (wasAlternate) {
        target = settings.quillnoteLocation;
    }
    settings.useAlternateLocation = choice.useAlternateLocation;
    return target;
}

AutoStartChange autoStartChange(bool wasOn, bool isOn) {
    if (wasOn && !isOn)
        return AutoStartChange::Delete;
    if (!wasOn && isOn)
        return AutoStartChange::Create;
    return AutoStartChange::None;
}
