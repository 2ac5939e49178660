#pragma once

#include "spell/engine/ISpellDialog.h"
#include "spell/engine/ISpellTextControl.h"
#include "spell/engine/SpellTypes.h"
#include "spell/engine/TAbstractSpeller.h"

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
struct TMisspellFont {
    enum Style { Bold = 0x1, Italic = 0x2, Underline = 0x4, StrikeOut = 0x8 };
    QString MspName = QStringLiteral("Arial");
    unsigned MspColor = 0xFF0000; // 0xRRGGBB
    int MspStyle = 0;             // a set of Style bits
    bool operator==(const TMisspellFont&) const = default;
};

// Checks the text of a memo or rich-edit control word by word: cuts the text into segments, hands
// each to the engine of its language, and for each finding drives the spelling dialog, whose
// buttons call back into the decision operations below. Everything runs on the UI thread; with a
// modal dialog CheckControl returns only when the check of that control has ended.
class TSpellChecker {
public:
    TSpellChecker();
    ~TSpellChecker();
    TSpellChecker(const TSpellChecker&) = delete;
    TSpellChecker& operator=(const TSpellChecker&) = delete;

    // Engines are made by the factory registered for their type (the program registers the ispell
    // and library engines, tests a scripted one); no factory means no engine, and the check passes.
    using SpellerFactory =
        std::function<std::unique_ptr<TAbstractSpeller>(TLanguage, TSpellOptions, TSpellChecker*)>;
    void setSpellerFactory(TSpellerType type, SpellerFactory factory);
    // The dialog is made on the first check by this factory; it is owned by the checker's owner and
    // tells the checker when it is destroyed (DialogDestroyed).
    using DialogFactory = std::function<ISpellDialog*(TSpellChecker&)>;
    void setDialogFactory(DialogFactory factory);
    void DialogDestroyed() { m_dialog = nullptr; }
    // Where FinishMessage is shown; may be null.
    void setPrompts(IPrompts* prompts) { m_prompts = prompts; }
    // Where engines find their resources; may be null (engines then use their defaults).
    void setConfiguration(const SpellConfiguration* configuration) { m_configuration = configuration; }
    const SpellConfiguration* configuration() const { return m_configuration; }

    // Operations.
    void CheckControl(ISpellTextControl& control);
    void ContinueCheck();
    void FinishCheck();
    void ChangeWord(const QString& newText);
    void ChangeWordAll(const QString& newText);
    void ChangeWordOnce(const QString& newText);
    void DeleteRepeatedWord();
    void AddErrorWord();
    void IgnoreErrorWord();
    void GetSuggestions(const QString& word, QStringList& list, TLanguage language);
    QString CapitalizeFirst(const QString& word) const;
    void GetLineAt(int position, int& lineStart, QString& lineText) const;
    // Ends the engines whose program stopped answering, so that the next check starts them afresh.
    // Does nothing while a check runs.
    void dropStoppedSpellers();

    // Properties.
    TLanguage Language() const { return m_language; }
    void setLanguage(TLanguage language) { m_language = language; }
    TLangOption LangOption = TLangOption::loLocalized;
    TSpellerType SpellerType() const { return m_spellerType; }
    void setSpellerType(TSpellerType type) { m_spellerType = type; }
    TUserLanguage UserLanguage() const { return m_userLanguage; }
    void setUserLanguage(TUserLanguage language); // fills SpellTexts
    TSpellOptions Options = spellOption(spoSuggestFromUserDict) | spellOption(spoIgnoreAllCaps) |
                            spellOption(spoIgnoreMixedDigits) | spellOption(spoIgnoreRomanNumerals);
    QString Caption;
    SpellFont Font;
    TMisspellFont MisspellFont;
    bool ModalDialog = false;
    bool HTMLSupport = false;
    QString CustomDict;
    QString FinishMessage;
    bool ShowFinishMessage = false;

    // Events.
    std::function<void(TSpellChecker*, TSpellReturnCode, int bufPos, int len)> OnMisspelling; // never raised
    std::function<void(TSpellChecker*, int bufPos, int len, const QString& newWord)> OnChangeText;
    std::function<void(TSpellChecker*)> OnFinished;
    std::function<void(void* sender)> OnCancel; // sender: the dialog
    std::function<void(TSpellChecker*, TLanguage, QString& dict)> OnGetDictionary;

    // State read by the dialog, the picker and the engines.
    bool Available = true;
    QString Cmd, Charset, Surrogate, Flag, LangName;
    bool Cancelled = false;
    ISpellTextControl* CheckedControl() const { return m_checked; }
    int ErrorPos() const { return m_errorPos; }
    int ErrorLen() const { return m_errorLen; }
    const QString& ErrorWord() const { return m_errorWord; }
    TSpellReturnCode LastResult() const { return m_lastResult; }
    TAbstractSpeller* CurrentSpeller() const { return m_currentSpeller; }
    ISpellDialog* Dialog() const { return m_dialog; }

private:
    struct ClassFlags {
        bool UnicodeText = false;
        bool LanguageRuns = false;
        bool IsRichEdit = false;
    };
    static const ClassFlags* RegisteredClass(const ISpellTextControl& control);
    void Prepare();
    void runCheck();
    void FindNextSegment(int from, int& s, int& e);
    int SkipMarkup(const QString& text, int position) const;
    int nextBreak(const QString& text, int from) const;
    TLanguage LanguageAtSelection(int position) const;
    QString GetTextRange(int from, int to) const;
    TAbstractSpeller* spellerFor(TLanguage language);
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
    // Depth of CheckControl and ContinueCheck calls: an engine failure inside a nested (modal) loop
    // is kept and raised by the CheckControl that started the check, never thrown through Qt's loop.
    int m_checkDepth = 0;
    int m_continueDepth = 0;
    QString m_pendingError;
    bool m_hasPendingError = false;
    // The shadow's text, read again after every change.
    QString m_text;
    // What each cached engine was made for, in the order of m_spellerCache. Dictionaries without a
    // locale are told apart by the name the picker chose.
    struct SpellerKey {
        TLanguage language;
        TSpellerType type;
        QString name;
        bool operator==(const SpellerKey&) const = default;
    };
    SpellerKey spellerKey(TLanguage language) const;
    std::vector<SpellerKey> m_cacheKeys;
    TLanguage m_language;
    TSpellerType m_spellerType = TSpellerType::sptMSOffice;
    TUserLanguage m_userLanguage = TUserLanguage::ulEnglish;
    std::map<TSpellerType, SpellerFactory> m_factories;
    DialogFactory m_dialogFactory;
    IPrompts* m_prompts = nullptr;
    const SpellConfiguration* m_configuration = nullptr;
    ISpellDialog* m_dialog = nullptr;
    ISpellTextControl* m_checked = nullptr;
    std::unique_ptr<ISpellTextControl> m_shadow;
    std::vector<std::unique_ptr<TAbstractSpeller>> m_spellerCache;
    TAbstractSpeller* m_currentSpeller = nullptr;
    int m_errorPos = 0;
    int m_errorLen = 0;
    QString m_errorWord;
    TSpellReturnCode m_lastResult = TSpellReturnCode::srNoErrors;
};
