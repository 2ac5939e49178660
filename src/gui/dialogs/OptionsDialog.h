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
class OptionsDialog final : public QDialog {
    Q_OBJECT
public:
    explicit OptionsDialog(OptionsDialogContext context, QWidget* owner = nullptr);

    OptionsChoice choice() const;
    // The storage folder in use when the dialog opened, as stored.
    const QString& folderInUse() const { return m_folderInUse; }

    QGroupBox* optionsGroup() const { return m_optionsGroup; }
    QCheckBox* startMinimizedBox() const { return m_startMinimizedBox; }
    QCheckBox* autoStartBox() const { return m_autoStartBox; }
    QCheckBox* checkUpdatesBox() const { return m_checkUpdatesBox; }
    QCheckBox* alternateLocationBox() const { return m_alternateLocationBox; }
    QLineEdit* locationEdit() const { return m_locationEdit; }
    QPushButton* browseButton() const { return m_browseButton; }
    QCheckBox* spellCheckOnSaveBox() const { return m_spellCheckOnSaveBox; }
    QLabel* languageLabel() const { return m_languageLabel; }
    LanguagePicker* languagePicker() const { return m_languagePicker; }
    QCheckBox* loadNotesOnSearchBox() const { return m_loadNotesOnSearchBox; }
    QCheckBox* closeFromMenuOnlyBox() const { return m_closeFromMenuOnlyBox; }
    QCheckBox* confirmDeleteBox() const { return m_confirmDeleteBox; }
    QPushButton* okButton() const { return m_okButton; }
    QPushButton* cancelButton() const { return m_cancelButton; }

    // Handlers, public for tests.
    void enableLocation();
    void checkLocation();
    void browseForFolder();

private:
    void buildLayout();
    void showChoices();
    template <typename Work> void guard(QLatin1String method, Work&& work);

    OptionsDialogContext m;
    QString m_folderInUse;
    QGroupBox* m_optionsGroup = nullptr;
    QCheckBox* m_startMinimizedBox = nullptr;
    QCheckBox* m_autoStartBox = nullptr;
    QCheckBox* m_checkUpdatesBox = nullptr;
    QCheckBox* m_alternateLocationBox = nullptr;
    QLineEdit* m_locationEdit = nullptr;
    QPushButton* m_browseButton = nullptr;
    QCheckBox* m_spellCheckOnSaveBox = nullptr;
    QLabel* m_languageLabel = nullptr;
    LanguagePicker* m_languagePicker = nullptr;
    QCheckBox* m_loadNotesOnSearchBox = nullptr;
    QCheckBox* m_closeFromMenuOnlyBox = nullptr;
    QCheckBox* m_confirmDeleteBox = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};
