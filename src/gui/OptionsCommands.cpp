#include "OptionsCommands.h"

#include "gui/WaitCursor.h"
#include "gui/dialogs/OptionsDialog.h"
#include "platform/AutoStart.h"
#include "platform/ErrorReporter.h"
#include "platform/LogNames.h"
#include "platform/Prompts.h"
#include "store/AppSettings.h"
#include "store/NoteStore.h"

#include <QTimer>
#include <unistd.h>

namespace {
const QString UnitName = LogUnit::Main;
} // namespace

OptionsCommands::OptionsCommands(OptionsContext context, QObject* parent)
    : QObject(parent), m(std::move(context)) {}

QString OptionsCommands::autoStartFolder() const {
    return m_autoStartFolder.isEmpty() ? AutoStart::folderFor(::geteuid()) : m_autoStartFolder;
}

AutoStart OptionsCommands::autoStart() const {
    return AutoStart(autoStartFolder(), m.programPath);
}

void OptionsCommands::setSpelling(SpellChecker* checker, const SpellConfiguration* configuration,
                                  std::function<void(int)> selectMainPicker) {
    m_checker = checker;
    m_configuration = configuration;
    m_selectMainPicker = std::move(selectMainPicker);
}

void OptionsCommands::showOptions() {
    guarded(m.log, UnitName, LogRoutine::Options, LogMode::Loud, [&] {
        OptionsDialog dialog({m.settings, m.prompts, m.log, autoStart().exists(), m_checker, m_configuration},
                             m.owner);
        QTimer::singleShot(0, &dialog, [this, &dialog] { emit dialogShown(&dialog); });
        if (dialog.exec() == QDialog::Accepted)
            apply(dialog);
    });
}

void OptionsCommands::apply(const OptionsDialog& dialog) {
    const OptionsChoice choice = dialog.choice();
    const AppSettings before = m.settings;
    std::optional<QString> target = takeOptions(m.settings, choice, dialog.folderInUse());
    if (m_selectMainPicker)
        m_selectMainPicker(choice.spellCheckerLanguage);

    const auto keepLocation = [&] {
        m.settings.useAlternateLocation = before.useAlternateLocation;
        m.settings.alternateLocation = before.alternateLocation;
    };
    if (target) {
        // The list is rebuilt after the move, which empties the editors: their note is saved first.
        if (m.askToSaveChanges && !m.askToSaveChanges()) {
            keepLocation();
        } else {
            try {
                const WaitCursor hourglass; // copying and checking a large file takes a moment
                m.store.moveStorage(dialog.folderInUse(), *target);
            } catch (const std::exception& e) {
                // The notes stay open where they were, so the settings keep naming that folder.
                // The user is told what happened, not only that something was logged.
                keepLocation();
                const QString message = messageOf(e);
                m.messages.messageDlg(message, MsgKind::Warning, MsgButton::OK);
                m.log.logErrorQuietly({UnitName, LogRoutine::Options, message});
                return; // the auto-start step is skipped after a failed move
            }
            if (m.loadNotes)
                m.loadNotes();
        }
    }

    // The box shows whether the entry exists; the entry follows the box, whatever the stored setting
    // says (the user may have removed the entry in the desktop's own settings).
    switch (autoStartChange(autoStart().exists(), choice.autoStart)) {
    case AutoStartChange::Create:
        createAutoStartEntry();
        break;
    case AutoStartChange::Delete:
        removeAutoStartEntry();
        break;
    case AutoStartChange::None:
        break;
    }
    m.settings.autoStart = choice.autoStart;
}

void OptionsCommands::createAutoStartEntry() {
    guarded(m.log, UnitName, LogRoutine::CreateAutoStart, LogMode::Loud,
            [&] { autoStart().createAutoStartEntry(); });
}

void OptionsCommands::removeAutoStartEntry() {
    guarded(m.log, UnitName, LogRoutine::DeleteAutoStart, LogMode::Loud,
            [&] { autoStart().removeAutoStartEntry(); });
}
