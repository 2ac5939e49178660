#include "SpellTexts.h"

SpellTextTable SpellTexts;
SpellTextTable otherSpellTexts = englishSpellTexts();

const SpellTextTable& englishSpellTexts() {
    static const SpellTextTable texts = {
        QStringLiteral("&Variants"),
        QStringLiteral("&Delete"),
        QStringLiteral("&Change"),
        QStringLiteral("Change A&ll"),
        QStringLiteral("&Skip"),
        QStringLiteral("S&kip All"),
        QStringLiteral("&Add"),
        QStringLiteral("Ca&ncel"),
        QStringLiteral("&Undo Edit"),
        QStringLiteral("Unknown word"),
        QStringLiteral("Illegal hyphenations"),
        QStringLiteral("Capitalization error"),
        QStringLiteral("Possible abbreviation"),
        QStringLiteral("Sentence capitalization error"),
        QStringLiteral("Extra spaces"),
        QStringLiteral("Missing space"),
        QStringLiteral("Numerals in start of word"),
        QStringLiteral("Repeated word"),
        QStringLiteral("Spelling check complete"),
        QStringLiteral("Message"),
        QStringLiteral("Spelling \u2014 %s"),
        QStringLiteral("Spelling error No %d"),
        QStringLiteral("Error loading Spell DLL %s"),
        QStringLiteral("Error unloading Spell DLL %s"),
        QStringLiteral("Language %s not installed"),
        QStringLiteral("Start"),
    };
    return texts;
}

const SpellTextTable& germanSpellTexts() {
    static const SpellTextTable texts = {
        QStringLiteral("&Varianten"),
        QStringLiteral("&L\u00f6schen"),
        QStringLiteral("&Ersetzen"),
        QStringLiteral("A&lle ersetzen"),
        QStringLiteral("&\u00dcberspringen"),
        QStringLiteral("Alle \u00fc&berspringen"),
        QStringLiteral("&Hinzuf\u00fcgen"),
        QStringLiteral("&Abbrechen"),
        QStringLiteral("&R\u00fcckg\u00e4ngig"),
        QStringLiteral("Unbekanntes Wort"),
        QStringLiteral("Illegale Silbentrennung"),
        QStringLiteral("Grosschreibefehler"),
        QStringLiteral("M\u00f6gliche Abk\u00fcrzung"),
        QStringLiteral("Satz: Grosschreibefehler"),
        QStringLiteral("Zus\u00e4tzliche Zwischenr\u00e4ume"),
        QStringLiteral("Fehlende Zwischenr\u00e4ume"),
        QStringLiteral("Zahlen am Anfang des Wortes"),
        QStringLiteral("Wortwiederholung"),
        QStringLiteral("Rechtschreibepr\u00fcfung beendet"),
        QStringLiteral("Meldung"),
        QStringLiteral("Rechtschreibung \u2014 %s"),
        QStringLiteral("Rechtschreibung Fehler No %d"),
        QStringLiteral("Fehler beim Laden der Spell DLL %s"),
        QStringLiteral("Fehler beim Entladen der Spell DLL %s"),
        QStringLiteral("Sprache %s ist nicht installiert"),
        QStringLiteral("Start"),
    };
    return texts;
}

void loadSpellTexts(TextLanguage language) {
    switch (language) {
    case TextLanguage::English:
        SpellTexts = englishSpellTexts();
        break;
    case TextLanguage::Own:
        SpellTexts = germanSpellTexts();
        break;
    case TextLanguage::Other:
        SpellTexts = otherSpellTexts;
        break;
    }
}

const QString& spellText(SpellText entry, bool englishFallback) {
    const QString& own = SpellTexts[std::size_t(entry)];
    return own.isEmpty() && englishFallback ? englishSpellTexts()[std::size_t(entry)] : own;
}

QString formatSpellText(SpellText entry, const QString& argument) {
    QString text = spellText(entry);
    return text.replace(QLatin1String("%s"), argument);
}

QString formatSpellText(SpellText entry, int argument) {
    QString text = spellText(entry);
    return text.replace(QLatin1String("%d"), QString::number(argument));
}
