#pragma once

#include "spell/engine/ISpellDialog.h"
#include "spell/engine/ISpellTextControl.h"
#include "spell/engine/SpellEngine.h"
#include "spell/engine/SpellTypes.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class IPrompts;
class SpellConfiguration;

// A font as the spelling dialog shows it; QtCore only, the dialog turns it into a QFont.
struct SpellFont {
    QString name = QStringLiteral("Arial");
    int pointSize = 10;  // used when pixelHeight is 0
    int pixelHeight = 0; // when not 0, the font's height in pixels
    bool operator==(const SpellFont&) const = default;
};

// How the flagged word is shown in the preview.
struct MisspellingStyle {
    enum Style { Bold = 0x1, Italic = 0x2, Underline = 0x4, StrikeOut = 0x8 };
    QString family = QStringLiteral("Arial");
    unsigned colour = 0xFF0000; // 0xRRGGBB
    int style = 0;              // a set of Style bits
    bool operator==(const MisspellingStyle&) const = default;
};

// Checks the text of a memo or rich-edit control word by word: cuts the text into segments, hands
// each to the engine of its language, and for each finding drives the spelling dialog, whose
// buttons call back into the decision operations below. Everything runs on the UI thread; with a
// modal dialog checkControl returns only when the check of that control has ended.
class SpellChecker : public QObject {
    Q_OBJECT

public:
    explicit SpellChecker(QObject* parent = nullptr);
    ~SpellChecker() override;
    SpellChecker(const SpellChecker&) = delete;
    SpellChecker& operator=(const SpellChecker&) = delete;

    // Engines are made by the factory registered for their type (the program registers the ispell
    // and library engines, tests a scripted one); no factory means no engine, and the check passes.
    using EngineFactory =
        std::function<std::unique_ptr<SpellEngine>(LanguageId, SpellOptionFlags, SpellChecker*)>;
    void setEngineFactory(EngineType type, EngineFactory factory);
    // The dialog is made on the first check by this factory; it is owned by the checker's owner and
    // tells the checker when it is destroyed (dialogDestroyed).
    using DialogFactory = std::function<ISpellDialog*(SpellChecker&)>;
    void setDialogFactory(DialogFactory factory);
    void dialogDestroyed() { m_dialog = nullptr; }
    // Where FinishMessage is shown; may be null.
    void setPrompts(IPrompts* prompts) { m_prompts = prompts; }
    // Where engines find their resources; may be null (engines then use their defaults).
    void setConfiguration(const SpellConfiguration* configuration) { m_configuration = configuration; }
    const SpellConfiguration* configuration() const { return m_configuration; }

    // Operations.
    void checkControl(ISpellTextControl& control);
    void continueCheck();
    void finishCheck();
    void changeWord(const QString& newText);
    void changeWordAll(const QString& newText);
    void changeWordOnce(const QString& newText);
    void deleteRepeatedWord();
    void addErrorWord();
    void ignoreErrorWord();
    void fillSuggestions(const QString& word, QStringList& list, LanguageId language);
    QString capitalizeFirst(const QString& word) const;
    void lineAt(int position, int& lineStart, QString& lineText) const;
    // Ends the engines whose program stopped answering, so that the next check starts them afresh.
    // Does nothing while a check runs.
    void dropStoppedSpellers();

    // Properties.
    LanguageId language() const { return m_language; }
    void setLanguage(LanguageId language) { m_language = language; }
    LanguageNameForm languageNameForm() const { return m_languageNameForm; }
    void setLanguageNameForm(LanguageNameForm form) { m_languageNameForm = form; }
    EngineType engineType() const { return m_spellerType; }
    void setEngineType(EngineType type) { m_spellerType = type; }
    TextLanguage textLanguage() const { return m_userLanguage; }
    void setTextLanguage(TextLanguage language); // fills SpellTexts
    SpellOptionFlags options() const { return m_options; }
    void setOptions(SpellOptionFlags options) { m_options = options; }
    // The dialog's caption; "%s" stands for the language.
    const QString& caption() const { return m_caption; }
    void setCaption(const QString& caption) { m_caption = caption; }
    const SpellFont& font() const { return m_font; }
    void setFont(const SpellFont& font) { m_font = font; }
    const MisspellingStyle& misspellingStyle() const { return m_misspellingStyle; }
    void setMisspellingStyle(const MisspellingStyle& style) { m_misspellingStyle = style; }
    bool isModalDialog() const { return m_modalDialog; }
    void setModalDialog(bool modal) { m_modalDialog = modal; }
    // Whether markup ("<...>", "<!-- -->", "<% %>") is skipped rather than checked.
    bool hasHtmlSupport() const { return m_htmlSupport; }
    void setHtmlSupport(bool on) { m_htmlSupport = on; }
    // The library engine's user dictionary; empty: the configured one.
    const QString& customDictionary() const { return m_customDictionary; }
    void setCustomDictionary(const QString& path) { m_customDictionary = path; }
    // The last say about a library engine's user dictionary: gets the path chosen so far (maybe
    // empty) and returns the one to use. A function rather than a signal, because it answers: a
    // signal with an out-parameter would silently answer nothing over a queued connection.
    using UserDictionaryChooser = std::function<QString(LanguageId, const QString& chosen)>;
    void setUserDictionaryChooser(UserDictionaryChooser chooser) {
        m_userDictionaryChooser = std::move(chooser);
    }
    QString chooseUserDictionary(LanguageId language, const QString& chosen) const;
    const QString& finishMessage() const { return m_finishMessage; }
    void setFinishMessage(const QString& message) { m_finishMessage = message; }
    bool showsFinishMessage() const { return m_showFinishMessage; }
    void setShowFinishMessage(bool show) { m_showFinishMessage = show; }
    // A checker without any language to check with checks nothing.
    bool isAvailable() const { return m_available; }
    void setAvailable(bool available) { m_available = available; }
    // The language as the picker shows it; tells dictionaries without a locale apart.
    const QString& languageText() const { return m_languageText; }
    void setLanguageText(const QString& text) { m_languageText = text; }
    // The ispell section the picker chose: command line, character set, surrogate and flag.
    const QString& command() const { return m_command; }
    const QString& charset() const { return m_charset; }
    const QString& surrogate() const { return m_surrogate; }
    const QString& flag() const { return m_flag; }
    void setSection(const QString& command, const QString& charset, const QString& surrogate,
                    const QString& flag);

    // The dialog's Cancel: ends the check of the control and tells whoever listens.
    void cancel(void* dialog);
    bool isCancelled() const { return m_cancelled; }

    // State read by the dialog, the picker and the engines.
    ISpellTextControl* checkedControl() const { return m_checked; }
    int errorPosition() const { return m_errorPos; }
    int errorLength() const { return m_errorLen; }
    const QString& errorWord() const { return m_errorWord; }
    SpellResult lastStatus() const { return m_lastResult; }
    SpellEngine* currentEngine() const { return m_currentSpeller; }
    ISpellDialog* dialog() const { return m_dialog; }

signals:
    // The check replaced `length` characters at `position` with `newText` (empty: deleted).
    void textChanged(int position, int length, const QString& newText);
    // The check of a control ended (also after Cancel or a failure).
    void finished();
    // The dialog's Cancel was pressed; `dialog` is the dialog.
    void cancelled(void* dialog);

private:
    struct ClassFlags {
        bool unicodeText = false;
        bool languageRuns = false;
        bool isRichEdit = false;
    };
    static const ClassFlags* registeredClass(const ISpellTextControl& control);
    void prepare();
    void runCheck();
    void findNextSegment(int from, int& s, int& e);
    int skipMarkup(const QString& text, int position) const;
    int nextBreak(const QString& text, int from) const;
    LanguageId languageAtSelection(int position) const;
    QString textRange(int from, int to) const;
    SpellEngine* engineFor(LanguageId language);
    void presentFinding();
    void replaceError(const QString& newText);
    void endCheck(bool failed);

    ClassFlags m_class;
    int m_rangeStart = 0;
    int m_rangeEnd = 0;
    int m_paraEnd = 0;
    int m_tagStart = 0;
    int m_runEnd = 0;
    bool m_atParaStart = false;
    // Depth of checkControl and continueCheck calls: an engine failure inside a nested (modal) loop
    // is kept and raised by the checkControl that started the check, never thrown through Qt's loop.
    int m_checkDepth = 0;
    int m_continueDepth = 0;
    QString m_pendingError;
    bool m_hasPendingError = false;
    // The shadow's text, read again after every change.
    QString m_text;
    // What each cached engine was made for, in the order of m_spellerCache. Dictionaries without a
    // locale are told apart by the name the picker chose.
    struct SpellerKey {
        LanguageId language;
        EngineType type;
        QString name;
        bool operator==(const SpellerKey&) const = default;
    };
    SpellerKey spellerKey(LanguageId language) const;
    std::vector<SpellerKey> m_cacheKeys;
    LanguageId m_language;
    EngineType m_spellerType = EngineType::Library;
    TextLanguage m_userLanguage = TextLanguage::English;
    std::map<EngineType, EngineFactory> m_factories;
    DialogFactory m_dialogFactory;
    IPrompts* m_prompts = nullptr;
    const SpellConfiguration* m_configuration = nullptr;
    ISpellDialog* m_dialog = nullptr;
    ISpellTextControl* m_checked = nullptr;
    std::unique_ptr<ISpellTextControl> m_shadow;
    std::vector<std::unique_ptr<SpellEngine>> m_spellerCache;
    SpellEngine* m_currentSpeller = nullptr;
    int m_errorPos = 0;
    int m_errorLen = 0;
    QString m_errorWord;
    SpellResult m_lastResult = SpellResult::NoErrors;
    LanguageNameForm m_languageNameForm = LanguageNameForm::Localized;
    SpellOptionFlags m_options =
        spellOption(SpellOption::SuggestFromUserDict) | spellOption(SpellOption::IgnoreAllCaps) |
        spellOption(SpellOption::IgnoreMixedDigits) | spellOption(SpellOption::IgnoreRomanNumerals);
    QString m_caption;
    SpellFont m_font;
    MisspellingStyle m_misspellingStyle;
    bool m_modalDialog = false;
    bool m_htmlSupport = false;
    QString m_customDictionary;
    UserDictionaryChooser m_userDictionaryChooser;
    QString m_finishMessage;
    bool m_showFinishMessage = false;
    bool m_available = true;
    QString m_languageText;
    QString m_command, m_charset, m_surrogate, m_flag;
    bool m_cancelled = false;
};
