#pragma once

#include <QLatin1String>

// The unit and routine names the error log writes. People and scripts search the log by them, so
// they keep their spelling whatever the code that logs is called now.
namespace LogUnit {
inline constexpr QLatin1String Main{"Main"};
inline constexpr QLatin1String QuickAdd{"AddNote"};
inline constexpr QLatin1String Options{"Options"};
inline constexpr QLatin1String About{"Splash"};
} // namespace LogUnit

namespace LogRoutine {
inline constexpr QLatin1String About{"Quillnote1Click"};
inline constexpr QLatin1String AlternateLocation{"chkUseAlternateLocationClick"};
inline constexpr QLatin1String BodyKey{"redNoteKeyPress"};
inline constexpr QLatin1String BodyKeyUp{"redNoteKeyUp"};
inline constexpr QLatin1String BringForward{"bringForward"};
inline constexpr QLatin1String BrowseFolder{"btnStorageDirClick"};
inline constexpr QLatin1String CheckForUpdates{"mnuCheckforUpdatesClick"};
inline constexpr QLatin1String CheckSpelling{"actSpellCheckExecute"};
inline constexpr QLatin1String ChooseFont{"actFontExecute"};
inline constexpr QLatin1String Close{"FormClose"};
inline constexpr QLatin1String CloseQuery{"FormCloseQuery"};
inline constexpr QLatin1String CompareVersions{"NewerVersionExists"};
inline constexpr QLatin1String Create{"FormCreate"};
inline constexpr QLatin1String CreateAutoStart{"CreateStartupShortcut"};
inline constexpr QLatin1String DateKey{"redNoteOriginalKeyPress"};
inline constexpr QLatin1String DeleteAutoStart{"DeleteStartupShortcut"};
inline constexpr QLatin1String DeleteNote{"actDeleteNoteExecute"};
inline constexpr QLatin1String Download{"Download_HTM"};
inline constexpr QLatin1String EnableControls{"EnableUserControls"};
inline constexpr QLatin1String Exit{"Exit1Click"};
inline constexpr QLatin1String Export{"actSaveNotesAsExecute"};
inline constexpr QLatin1String Find{"actFindExecute"};
inline constexpr QLatin1String FindKey{"edtFindKeyPress"};
inline constexpr QLatin1String FontScale{"GetFontSize"};
inline constexpr QLatin1String KeepCopy{"KeepCopy"};
inline constexpr QLatin1String Help{"mnuHelpClick"};
inline constexpr QLatin1String LoadNotes{"LoadNotes"};
inline constexpr QLatin1String LocationEdited{"edtQuillLocationChange"};
inline constexpr QLatin1String MessageBox{"MessageDlg"};
inline constexpr QLatin1String MinimizeToTray{"MinimizeToTray"};
inline constexpr QLatin1String NewNote{"actNewNoteExecute"};
inline constexpr QLatin1String NoteDate{"GetNoteDate"};
inline constexpr QLatin1String NoteEdited{"edtTitleOriginalChange"};
inline constexpr QLatin1String NotesFileChanged{"NotesFileChanged"};
inline constexpr QLatin1String OpenLink{"redNoteURLClick"};
inline constexpr QLatin1String OpenNote{"lsvNotesDblClick"};
inline constexpr QLatin1String OpenWebsite{"LaunchWebsite"};
inline constexpr QLatin1String Options{"mnuOptionsClick"};
inline constexpr QLatin1String Print{"actPrintExecute"};
inline constexpr QLatin1String PrintDocument{"PrintRichText"};
inline constexpr QLatin1String ProductVersion{"GetProductVersion"};
inline constexpr QLatin1String QuickAdd{"AddNote1Click"};
inline constexpr QLatin1String QuickAddSave{"btnSaveClick"};
inline constexpr QLatin1String QuickAddTitleEdited{"edtTitleChange"};
inline constexpr QLatin1String ReadPositions{"GetPositions"};
inline constexpr QLatin1String ResetLayout{"ResetFormLayout"};
inline constexpr QLatin1String RestoreCopy{"RestoreCopy"};
inline constexpr QLatin1String RestoreNote{"RestoreNote"};
inline constexpr QLatin1String Resize{"FormResize"};
inline constexpr QLatin1String RestoreFromTray{"MaximizeFromTray"};
inline constexpr QLatin1String SaveNote{"actSaveNoteExecute"};
inline constexpr QLatin1String SelectNote{"lsvNotesSelectItem"};
inline constexpr QLatin1String SendFeedback{"Sendfeedback1Click"};
inline constexpr QLatin1String SendMail{"SendMailMAPI"};
inline constexpr QLatin1String SendNote{"actSendMailExecute"};
inline constexpr QLatin1String SessionEnd{"sessionEnding"};
inline constexpr QLatin1String Show{"FormShow"};
inline constexpr QLatin1String SortByColumn{"lsvNotesColumnClick"};
inline constexpr QLatin1String StartFind{"actStartFindExecute"};
inline constexpr QLatin1String TrayClick{"TrayMessage"};
inline constexpr QLatin1String TrayHide{"Hide1Click"};
inline constexpr QLatin1String TrayShow{"Show1Click"};
inline constexpr QLatin1String UndoDelete{"actUndoDeleteExecute"};
inline constexpr QLatin1String WriteNotesFile{"WriteQuillnoteFile"};
inline constexpr QLatin1String WritePositions{"SetPositions"};
} // namespace LogRoutine
