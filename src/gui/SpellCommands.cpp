#include "SpellCommands.h"

#include "controls/LinkTextEdit.h"
#include "platform/AppPaths.h"
#include "platform/ErrorReporter.h"
#include "platform/LogNames.h"
#include "platform/Prompts.h"
#include "spell/engine/IspellEngine.h"
#include "spell/engine/LibraryEngine.h"
#include "spell/engine/SpellTexts.h"
#include "spell/ui/SpellingDialog.h"

namespace {

// What the user is told when the spelling program stopped answering during a check.
QString stoppedAnsweringText(const SpellEngine& engine) {
    const QString program = engine.programName();
    return (program.isEmpty() ? QStringLiteral("The spelling program")
                              : QStringLiteral("The spelling program %1").arg(program)) +
           QStringLiteral(" stopped answering; the rest of the note was not checked.");
}

} // namespace

SpellCommands::SpellCommands(Parts parts, QObject* parent)
    : QObject(parent), m_owner(parts.owner), m_hive(parts.paths.registryPath()),
      m_configuration(&m_hive, parts.paths.executableFolder()), m_prompts(parts.prompts), m_log(parts.log),
      m_title(parts.title), m_body(parts.body) {
    setObjectName(QStringLiteral("splChecker"));
    SpellChecker& c = m_checker;
    c.setLanguage(2057);
    c.setEngineType(EngineType::Ispell);
    c.setTextLanguage(TextLanguage::English);
    c.setOptions(spellOption(SpellOption::SuggestFromUserDict) | spellOption(SpellOption::IgnoreAllCaps) |
                 spellOption(SpellOption::IgnoreMixedDigits) | spellOption(SpellOption::IgnoreRomanNumerals) |
                 spellOption(SpellOption::FindMissingSpaces) | spellOption(SpellOption::FindRepeatWord));
    c.setCaption(QStringLiteral("Quillnote Spell Check"));
    c.setFont(SpellFont{QStringLiteral("Verdana"), 10, 13});
    c.setMisspellingStyle(MisspellingStyle{QStringLiteral("Verdana"), 0xFF0000, 0});
    c.setModalDialog(true);
    c.setShowFinishMessage(false);
    c.setPrompts(&parts.prompts);
    c.setConfiguration(&m_configuration);
    c.setDialogFactory([owner = m_owner](SpellChecker& checker) -> ISpellDialog* {
        return new SpellingDialog(checker, owner);
    });
    registerEngines(parts.paths.dataFolder());
}

SpellCommands::~SpellCommands() {
    // The dialog belongs to the window but tells the checker when it goes: end it while the checker
    // still exists. A dialog that is no widget (a test's) belongs to its maker.
    if (auto* widget = dynamic_cast<QObject*>(m_checker.dialog()))
        delete widget;
}

void SpellCommands::registerEngines(const QString& dataFolder) {
    m_checker.setEngineFactory(EngineType::Ispell,
                               [](LanguageId language, SpellOptionFlags options, SpellChecker* checker) {
                                   return std::make_unique<IspellEngine>(language, options, checker);
                               });
    m_checker.setEngineFactory(EngineType::Library,
                               [](LanguageId language, SpellOptionFlags options, SpellChecker* checker) {
                                   return std::make_unique<LibraryEngine>(language, options, checker);
                               });
    // The dictionaries' own folder belongs to the system: the user's words go into the data folder.
    m_checker.setUserDictionaryChooser([dataFolder](LanguageId, const QString& chosen) {
        return chosen.isEmpty() ? dataFolder + QStringLiteral("CUSTOM.DIC") : chosen;
    });
}

void SpellCommands::checkSpelling() {
    int titleStart = 0, titleEnd = 0, bodyStart = 0, bodyEnd = 0;
    m_title.selection(titleStart, titleEnd);
    m_body.selection(bodyStart, bodyEnd);
    // The numbers as remembered, even when replacements changed the lengths; also after a failure.
    struct Restore {
        SpellCommands& self;
        int ts, tl, bs, bl;
        ~Restore() {
            try {
                self.m_title.setSelection(ts, tl);
                self.m_body.setSelection(bs, bl);
            } catch (...) { // a control that is gone has no selection to restore
            }
        }
    } restore{*this, titleStart, titleEnd - titleStart, bodyStart, bodyEnd - bodyStart};

    m_title.setSelection(0, 0);
    m_body.setSelection(0, 0);
    // A program that stopped answering in an earlier check gets another chance.
    m_checker.dropStoppedSpellers();
    // A cancelled title check ends only that control's check; the body is still checked.
    m_checker.checkControl(m_title);
    m_checker.checkControl(m_body);
    reportUnusableEngine();
}

void SpellCommands::reportUnusableEngine() {
    // A disabled engine passes every word: say so, or a check that could not look at the words
    // would read as "no mistakes".
    const SpellEngine* engine = m_checker.currentEngine();
    if (!engine || !engine->isDisabled())
        return;
    if (engine->stoppedAnswering()) {
        m_log.logErrorQuietly({LogUnit::Main, LogRoutine::CheckSpelling,
                               QStringLiteral("The spelling program \"%1\" stopped answering: %2")
                                   .arg(engine->command(), engine->failure())});
        m_prompts.messageDlg(stoppedAnsweringText(*engine), MsgKind::Warning, MsgButton::OK);
        return;
    }
    m_prompts.messageDlg(formatSpellText(SpellText::LanguageNotInstalled, m_checker.languageText()),
                         MsgKind::Warning, MsgButton::OK);
}
