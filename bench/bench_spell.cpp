// Times Spell Check over a long note with each engine: the first check (which starts the engine: the
// ispell program, or the speller library and its dictionary) and a second one with the engine
// cached, skipping every finding as a person pressing Skip would.
#include "controls/TRichEditURL.h"
#include "spell/engine/ISpellDialog.h"
#include "spell/engine/IspellEngine.h"
#include "spell/engine/LibraryEngine.h"
#include "spell/engine/SpellChecker.h"
#include "spell/engine/SpellConfiguration.h"
#include "spell/ui/RichEditSpellControl.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// Every finding is skipped at once; the check is driven from the loop below.
class SkippingDialog final : public ISpellDialog {
public:
    int findings = 0;
    void presentSuggestions(const QString&) override { ++findings; }
    void presentSkipOrEdit(const QString&) override { ++findings; }
    void presentRepeatedWord() override { ++findings; }
    bool isDialogVisible() const override { return false; }
    void showDialog() override {}
    void hideDialog() override {}
    void closeDialog() override {}
    void setDialogCaption(const QString&) override {}
};

QString longNote(int words) {
    static const char* correct[] = {"the",   "garden", "needs",  "water",   "before", "we",      "leave",
                                    "for",   "the",    "summer", "holiday", "and",    "someone", "should",
                                    "check", "the",    "post",   "every",   "second", "day"};
    static const char* wrong[] = {"teh", "recieve", "tomorow", "wierd", "seperate"};
    QString text;
    for (int i = 0; i < words; ++i) {
        text += QString::fromLatin1(i % 50 == 49 ? wrong[(i / 50) % 5] : correct[i % 20]);
        text += (i % 12 == 11) ? QLatin1Char('\n') : QLatin1Char(' ');
    }
    return text;
}

// Milliseconds of one check of the whole field.
double checkOnce(SpellChecker& checker, TRichEditURL& field, bool& finished) {
    RichEditSpellControl control(field);
    control.setSelection(0, 0);
    finished = false;
    QElapsedTimer clock;
    clock.start();
    checker.checkControl(control);
    while (!finished)
        checker.continueCheck(); // Skip
    return double(clock.nsecsElapsed()) / 1e6;
}

void run(const char* name, EngineType type, const SpellConfiguration& configuration, const QString& text,
         const QString& scratch) {
    SpellChecker checker;
    SkippingDialog dialog;
    bool finished = false;
    checker.setConfiguration(&configuration);
    // The library knows its languages by locale; the pipe descriptors by the name the picker shows.
    const bool pipe = type == EngineType::Ispell;
    checker.setLanguage(pipe ? 0 : 1033);
    checker.setLanguageText(pipe ? QStringLiteral("English (United States) - hunspell") : QString());
    checker.setEngineType(type);
    checker.setModalDialog(false);
    checker.setTextLanguage(TextLanguage::English);
    checker.setDialogFactory([&](SpellChecker&) -> ISpellDialog* { return &dialog; });
    QObject::connect(&checker, &SpellChecker::finished, [&] { finished = true; });
    // The user dictionary in a folder of the run's own, never beside the system's dictionaries.
    checker.setUserDictionaryChooser(
        [&](LanguageId, const QString&) { return scratch + QStringLiteral("/CUSTOM.DIC"); });
    checker.setEngineFactory(type, [](LanguageId language, SpellOptionFlags options, SpellChecker* owner) {
        std::unique_ptr<SpellEngine> engine;
        if (owner->engineType() == EngineType::Ispell)
            engine = std::make_unique<IspellEngine>(language, options, owner);
        else
            engine = std::make_unique<LibraryEngine>(language, options, owner);
        return engine;
    });
    TRichEditURL field(false);
    field.setPlainText(text);
    const double first = checkOnce(checker, field, finished);
    const int findings = dialog.findings;
    const double next = checkOnce(checker, field, finished);
    const bool disabled = !checker.currentEngine() || checker.currentEngine()->isDisabled();
    std::printf(
        "spell %-8s %d words, %d findings: first check %.0f ms (engine start included), next %.0f ms%s\n",
        name, int(text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts).size()),
        findings, first, next, disabled ? " (engine not available)" : "");
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString folder = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    const SpellConfiguration configuration(nullptr, folder);
    const QString text = longNote(5000);
    const QTemporaryDir scratch;
    run("library", EngineType::Library, configuration, text, scratch.path());
    run("hunspell", EngineType::Ispell, configuration, text, scratch.path());
    return 0;
}
