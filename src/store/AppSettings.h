#pragma once

#include <QString>

// The persisted settings the main window keeps during the run.
struct AppSettings {
    int SortToggle = 1; // direction of the last sort: 1 ascending, -1 descending
    int SortColumn = 0;
    bool CheckForUpdatesOnStartup = false;
    bool AutoStartWithWindows = false;
    bool StartMinimized = false;
    bool LoadNotesOnSearch = false;
    bool UseAlternateLocation = false;
    bool ConfirmOnDelete = false;
    QString QuillnoteLocation; // default storage folder, with a trailing '/'
    QString AlternateLocation;
    bool CloseOnMenuOnly = false;
    bool SearchAllNotes = true;
    int SpellCheckerType = 0;
    int SpellCheckerLanguage = 1;
    bool CheckSpellingOnSave = false;

    // The folder that holds the notes file.
    QString storageFolder() const { return UseAlternateLocation ? AlternateLocation : QuillnoteLocation; }
};
