#pragma once

#include "store/AppSettings.h"

#include <QString>
#include <optional>

// What the options dialog hands back on OK, one field per control.
struct OptionsChoice {
    bool startMinimized = false;
    bool autoStart = false;
    bool checkForUpdatesOnStartup = false;
    bool useAlternateLocation = false;
    QString location; // the folder text as typed or picked
    bool checkSpellingOnSave = false;
    int spellCheckerLanguage = 1;
    bool loadNotesOnSearch = false;
    bool closeOnMenuOnly = false;
    bool confirmOnDelete = false;
};

// The storage folder in use: the alternate folder when it is chosen, else the default one, as stored.
QString storageFolderInUse(const AppSettings& settings);

// Whether `text` names an existing folder. An empty text names none (not the current folder).
bool namesExistingFolder(const QString& text);

// Takes the dialog's choices into the settings (all but the auto-start state, which follows the
// entry's creation) and decides whether the notes file moves. `folderInUse` is the storage folder
// when the dialog opened. Returns the folder the notes file moves to, or nullopt.
std::optional<QString> takeOptions(AppSettings& settings, const OptionsChoice& choice,
                                   const QString& folderInUse);

// What the auto-start entry needs after OK.
enum class AutoStartChange { None, Create, Delete };
AutoStartChange autoStartChange(bool wasOn, bool isOn);
