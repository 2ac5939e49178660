#pragma once

#include "spell/csapi/csapi.h"
#include "spell/engine/SpellEngine.h"

#include <QLibrary>
#include <QString>
#include <vector>

// The proofing-library engine: checks text with a speller library that publishes the Common Speller
// API entry points (ours is libquillcsapi.so over hunspell). The library and the main dictionary of
// a language come from the proofing entry of the spelling configuration; the library is loaded at
// construction and stays loaded, with its dictionaries open, until the engine is destroyed.
//
// The library speaks UTF-8 with byte offsets; this engine turns the checker's QString segments into
// UTF-8 and the offsets back into QString positions.
class LibraryEngine : public SpellEngine {
public:
    // Throws SpellError when the library cannot be loaded or refuses a set-up call; a language
    // without a proofing entry makes a Disabled engine.
    LibraryEngine(LanguageId language, SpellOptionFlags options, SpellChecker* checker);
    // Library failures while shutting down are logged (category "quill.spell.csapi"), never thrown.
    ~LibraryEngine() override;

    SpellResult checkSegmentStart(const QString& buffer, int& errorLength, int& errorStart) override;
    SpellResult checkSegmentContinued(const QString& buffer, int& errorLength, int& errorStart) override;
    void changeOnce(const QString& word, const QString& replacement) override;
    void changeAlways(const QString& word, const QString& replacement) override;
    void addWord(const QString& word) override;
    void ignoreAlways(const QString& word) override;
    void fillSuggestions(const QString& word, QStringList& list) override;
    QString changeTo() override;
    QString errorWord() override { return isDisabled() ? QString() : m_errorText; }

    const QString& libraryPath() const { return m_libraryPath; }
    const QString& dictionaryPath() const { return m_dictionaryPath; }
    // The user dictionary's path.
    const QString& customDictionary() const { return m_customDictionary; }

private:
    using SpellInitFn = SEC (*)(SPLID*, const WSC*);
    using SpellOptionsFn = SEC (*)(SPLID, uint32_t);
    using SpellCheckFn = SEC (*)(SPLID, CC, const SIB*, SRB*);
    using SpellTerminateFn = SEC (*)(SPLID, CSAPI_BOOL);
    using SpellOpenMdrFn = SEC (*)(SPLID, const CSAPI_CHAR*, const CSAPI_CHAR*, CSAPI_BOOL, CSAPI_BOOL, LID,
                                   MDRS*);
    using SpellOpenUdrFn = SEC (*)(SPLID, const CSAPI_CHAR*, CSAPI_BOOL, CSAPI_WORD, UDR*, CSAPI_BOOL*);
    using SpellAddUdrFn = SEC (*)(SPLID, UDR, const CSAPI_CHAR*);
    using SpellAddChangeUdrFn = SEC (*)(SPLID, UDR, const CSAPI_CHAR*, const CSAPI_CHAR*);
    using SpellCloseMdrFn = SEC (*)(SPLID, MDRS*);
    using SpellCloseUdrFn = SEC (*)(SPLID, UDR, CSAPI_BOOL);

    bool findResources();
    void findCustomDictionary();
    void loadLibrary();
    void startSession();
    void shutDown(bool logFailures);
    SpellResult checkBuffer(const QString& buffer, uint16_t spellState, int& errorLength, int& errorStart);
    // Throws SpellError "Spelling error No %d" for a status other than 0.
    static void verify(SEC status);

    QLibrary m_library;
    SpellInitFn m_spellInit = nullptr;
    SpellOptionsFn m_spellOptions = nullptr;
    SpellCheckFn m_spellCheck = nullptr;
    SpellTerminateFn m_spellTerminate = nullptr;
    SpellOpenMdrFn m_spellOpenMdr = nullptr;
    SpellOpenUdrFn m_spellOpenUdr = nullptr;
    SpellAddUdrFn m_spellAddUdr = nullptr;
    SpellAddChangeUdrFn m_spellAddChangeUdr = nullptr;
    SpellCloseMdrFn m_spellCloseMdr = nullptr;
    SpellCloseUdrFn m_spellCloseUdr = nullptr;

    SPLID m_splid = 0;
    bool m_sessionStarted = false;
    bool m_mdrOpen = false;
    bool m_udrOpen = false;
    WSC m_wsc{};
    MDRS m_mdrs{};
    UDR m_udr = 0;
    SIB m_sib{};
    SRB m_srb{};
    std::vector<char> m_suggestionArea;
    std::vector<uint8_t> m_ratingArea;
    QString m_libraryPath;
    QString m_dictionaryPath;
    QString m_customDictionary;
    QString m_errorText; // the text of the last finding
};
