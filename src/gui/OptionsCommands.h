#pragma once

#include "gui/dialogs/OptionsChoice.h"

#include <QObject>
#include <QString>
#include <functional>

class AutoStart;
class IErrorReporter;
class IPrompts;
class NoteStore;
class QWidget;
class SpellConfiguration;
class SpellChecker;
class OptionsDialog;
struct AppSettings;

// What the options command works on: the main window's settings, document and error log.
struct OptionsContext {
    QWidget* owner;
    AppSettings& settings;
    NoteStore& store;
    IErrorReporter& log;
    IPrompts& prompts;               // the folder picker
    IPrompts& messages;              // the main window's message boxes
    std::function<void()> loadNotes; // rebuilds the note list from the document
    // Asks whether to save the note being edited; false when the user cancels or the save fails.
    std::function<bool()> askToSaveChanges;
    QString programPath; // what the auto-start entry starts
};

// Tools, "&Options...": runs the options dialog and applies its result: the settings, a move of the
// notes file, and the auto-start entry.
class OptionsCommands final : public QObject {
    Q_OBJECT
public:
    explicit OptionsCommands(OptionsContext context, QObject* parent = nullptr);

    // The folder of the auto-start entry: the one for this user unless a test redirects it.
    void setAutoStartFolder(const QString& folder) { m_autoStartFolder = folder; }
    QString autoStartFolder() const;

    // The spelling language: the main window's checker, which the dialog's picker configures, the
    // configuration it lists, and the main window's own picker, set to the index chosen on OK.
    void setSpelling(SpellChecker* checker, const SpellConfiguration* configuration,
                     std::function<void(int index)> selectMainPicker);

    // Shows the dialog modally and applies it after OK. Failures are logged ("Main").
    void showOptions();
    // Applies the choice made in `dialog` (after OK).
    void apply(const OptionsDialog& dialog);

    // Write or remove this user's auto-start entry; a failure is logged and does not end the command.
    void createAutoStartEntry();
    void removeAutoStartEntry();

signals:
    // The dialog is up (for tests, which drive it like a user).
    void dialogShown(OptionsDialog* dialog);

private:
    AutoStart autoStart() const;

    OptionsContext m;
    QString m_autoStartFolder;
    SpellChecker* m_checker = nullptr;
    const SpellConfiguration* m_configuration = nullptr;
    std::function<void(int)> m_selectMainPicker;
};
