#include "OptionsCommands.h"

#include "app/ErrorGuard.h"
#include "app/dialogs/TfrmOptions.h"
#include "output/ErrorLog.h"
#include "platform/AutoStart.h"
#include "platform/Prompts.h"
#include "platform/UserGroups.h"
#include "store/AppSettings.h"
#include "store/NoteStore.h"

#include <QTimer>

namespace {
const QString UnitName = QStringLiteral("Main");
} // namespace

OptionsCommands::OptionsCommands(OptionsContext context, QObject* parent)
    : QObject(parent), m(std::move(context)), m_autoStartFolder(AutoStart::commonFolder()) {}

void OptionsCommands::setSpelling(TSpellChecker* checker, const SpellConfiguration* configuration,
                                  std::function<void(int)> selectMainPicker) {
    m_checker = checker;
    m_configuration = configuration;
    m_selectMainPicker = std::move(selectMainPicker);
}

void OptionsCommands::mnuOptionsClick() {
    guarded(m.log, UnitName, QStringLiteral("mnuOptionsClick"), LogMode::Loud, [&] {
        TfrmOptions dialog(
            {m.settings, m.prompts, m.log, [this] { return IsAdmin(); }, m_checker, m_configuration},
            m.owner);
        QTimer::singleShot(0, &dialog, [this, &dialog] { emit dialogShown(&dialog); });
        if (dialog.exec() == QDialog::Accepted)
            apply(dialog);
    });
}

void OptionsCommands::apply(const TfrmOptions& dialog) {
    const OptionsChoice choice = dialog.choice();
    const AppSettings before = m.settings;
    std::optional<QString> target = takeOptions(m.settings, choice, dialog.folderInUse());
    if (m_selectMainPicker)
        m_selectMainPicker(choice.SpellCheckerLanguage);

    const auto keepLocation = [&] {
        m.settings.UseAlternateLocation = before.UseAlternateLocation;
        m.settings.AlternateLocation = before.AlternateLocation;
    };
    if (target) {
        // The list is rebuilt after the move, which empties the editors: their note is saved first.
        if (m.askToSaveChanges && !m.askToSaveChanges()) {
            keepLocation();
        } else {
            try {
                m.store.MoveStorage(dialog.folderInUse(), *target);
            } catch (const std::exception& e) {
                // The notes stay open where they were, so the settings keep naming that folder.
                // The user is told what happened, not only that something was logged.
                keepLocation();
                const QString message = messageOf(e);
                m.messages.messageDlg(message, MsgKind::Warning, MsgButton::OK);
                m.log.LogErrorQuietly({UnitName, QStringLiteral("mnuOptionsClick"), message});
                return; // the auto-start step is skipped after a failed move
            }
            if (m.LoadNotes)
                m.LoadNotes();
        }
    }

    switch (autoStartChange(before.AutoStartWithWindows, choice.AutoStart)) {
    case AutoStartChange::Create:
        CreateStartupShortcut();
        break;
    case AutoStartChange::Delete:
        DeleteStartupShortcut();
        break;
    case AutoStartChange::None:
        break;
    }
    m.settings.AutoStartWithWindows = choice.AutoStart;
}

bool OptionsCommands::IsAdmin() {
    bool admin = false;
    guarded(m.log, UnitName, QStringLiteral("IsAdmin"), LogMode::Loud,
            [&] { admin = UserGroups::IsAdmin(); });
    return admin;
}

void OptionsCommands::CreateStartupShortcut() {
    guarded(m.log, UnitName, QStringLiteral("CreateStartupShortcut"), LogMode::Loud,
            [&] { AutoStart(m_autoStartFolder, m.programPath).CreateStartupShortcut(); });
}

void OptionsCommands::DeleteStartupShortcut() {
    guarded(m.log, UnitName, QStringLiteral("DeleteStartupShortcut"), LogMode::Loud,
            [&] { AutoStart(m_autoStartFolder, m.programPath).DeleteStartupShortcut(); });
}
