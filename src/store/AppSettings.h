#pragma once

#include <QString>

// The persisted settings the main window keeps during the run.
struct AppSettings {
    int sortToggle = 1; // direction of the last sort: 1 ascending, -1 descending
    int sortColumn = 0;
    bool checkForUpdatesOnStartup = false;
    bool autoStart = false;
    bool startMinimized = false;
    bool loadNotesOnSearch = false;
    bool useAlternateLocation = false;
    bool confirmOnDelete = false;
    QString quillnoteLocation; // default storage folder, with a trailing '/'
    QString alternateLocation;
    bool closeOnMenuOnly = false;
    bool searchAllNotes = true;
    int spellCheckerType = 0;
    int spellCheckerLanguage = 1;
    bool checkSpellingOnSave = false;

    // The folder that holds the notes file.
    QString storageFolder() const { return useAlternateLocation ? alternateLocation : quillnoteLocation; }
};
