#pragma once

#include "gui/dialogs/OptionsChoice.h"
#include "store/AppSettings.h"

#include <QDialog>

class IErrorReporter;
class IPrompts;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class SpellConfiguration;
class SpellChecker;
class LanguagePicker;

// What the options dialog reads and asks through: the main window's settings, the prompts for the
// folder picker, the error log, and whether this user's auto-start entry exists.
struct OptionsDialogContext {
    const AppSettings& settings;
    IPrompts& prompts;
    IErrorReporter& log;
    bool autoStartOn = false;
    // The main window's spell checker, which the language picker configures at once, and the
    // spelling configuration the picker lists; either may be null (an empty picker).
    SpellChecker* checker = nullptr;
    const SpellConfiguration* configuration = nullptr;
};

// "Quillnote Options": the user-changeable settings. Nothing but the language picker acts before
// OK; the caller applies choice() after OK.
class TfrmOptions final : public QDialog {
    Q_OBJECT
public:
    explicit TfrmOptions(OptionsDialogContext context, QWidget* owner = nullptr);

    OptionsChoice choice() const;
    // The storage folder in use when the dialog opened, as stored.
    const QString& folderInUse() const { return m_folderInUse; }

    QGroupBox* grpOptions() const { return m_grpOptions; }
    QCheckBox* chkStartMinimized() const { return m_chkStartMinimized; }
    QCheckBox* chkAutoStart() const { return m_chkAutoStart; }
    QCheckBox* chkCheckUpdatesOnStartup() const { return m_chkCheckUpdatesOnStartup; }
    QCheckBox* chkUseAlternateLocation() const { return m_chkUseAlternateLocation; }
    QLineEdit* edtQuillLocation() const { return m_edtQuillLocation; }
    QPushButton* btnStorageDir() const { return m_btnStorageDir; }
    QCheckBox* chkSpellCheckSave() const { return m_chkSpellCheckSave; }
    QLabel* Label5() const { return m_Label5; }
    LanguagePicker* cboSpellCheck() const { return m_cboSpellCheck; }
    QCheckBox* chkLoadNotesOnSearch() const { return m_chkLoadNotesOnSearch; }
    QCheckBox* chkCloseFromMenuOnly() const { return m_chkCloseFromMenuOnly; }
    QCheckBox* chkConfirmOnDelete() const { return m_chkConfirmOnDelete; }
    QPushButton* btnOK() const { return m_btnOK; }
    QPushButton* btnCancel() const { return m_btnCancel; }

    // Handlers, public for tests.
    void chkUseAlternateLocationClick();
    void edtQuillLocationChange();
    void btnStorageDirClick();

private:
    void buildLayout();
    void FormCreate();
    template <typename Work> void guard(const char* method, Work&& work);

    OptionsDialogContext m;
    QString m_folderInUse;
    QGroupBox* m_grpOptions = nullptr;
    QCheckBox* m_chkStartMinimized = nullptr;
    QCheckBox* m_chkAutoStart = nullptr;
    QCheckBox* m_chkCheckUpdatesOnStartup = nullptr;
    QCheckBox* m_chkUseAlternateLocation = nullptr;
    QLineEdit* m_edtQuillLocation = nullptr;
    QPushButton* m_btnStorageDir = nullptr;
    QCheckBox* m_chkSpellCheckSave = nullptr;
    QLabel* m_Label5 = nullptr;
    LanguagePicker* m_cboSpellCheck = nullptr;
    QCheckBox* m_chkLoadNotesOnSearch = nullptr;
    QCheckBox* m_chkCloseFromMenuOnly = nullptr;
    QCheckBox* m_chkConfirmOnDelete = nullptr;
    QPushButton* m_btnOK = nullptr;
    QPushButton* m_btnCancel = nullptr;
};
