#pragma once

#include "platform/Registry.h"
#include "spell/engine/SpellChecker.h"
#include "spell/engine/SpellConfiguration.h"
#include "spell/ui/RichEditSpellControl.h"

#include <QObject>

class AppPaths;
class IErrorReporter;
class IPrompts;
class QWidget;
class LinkTextEdit;

// The main window's Spell Check command: owns the window's checker (splChecker), configured as the
// window needs it, and checks the title, then the body, in place.
class SpellCommands : public QObject {
public:
    struct Parts {
        LinkTextEdit& title;
        LinkTextEdit& body;
        IPrompts& prompts;
        IErrorReporter& log; // where an engine that stopped answering is recorded
        const AppPaths& paths;
        QWidget* owner; // owns the spelling dialog
    };
    SpellCommands(Parts parts, QObject* parent);
    ~SpellCommands() override;

    SpellChecker& checker() { return m_checker; }
    const SpellConfiguration& configuration() const { return m_configuration; }

    // Checks the title and then the body from their beginnings; the selections come back as they
    // were. Throws what the checker throws (the caller logs it). An engine that is missing or
    // stopped answering is reported to the user; one that stopped is also logged.
    void checkSpelling();

private:
    void registerEngines(const QString& dataFolder);
    void reportUnusableEngine();

    QWidget* m_owner;
    RegistryHive m_hive;
    SpellConfiguration m_configuration;
    IPrompts& m_prompts;
    IErrorReporter& m_log;
    SpellChecker m_checker;
    RichEditSpellControl m_title;
    RichEditSpellControl m_body;
};
