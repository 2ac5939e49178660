#pragma once

#include "spell/engine/SpellTypes.h"

#include <QComboBox>
#include <QString>
#include <memory>
#include <vector>

class SpellConfiguration;
class SpellChecker;

// What choosing one entry of the picker hands to the checker.
struct LanguageEntry {
    QString cmd;
    QString charset;
    QString surrogate;
    QString flag;
    LanguageId language = 0;
    EngineType engineType = EngineType::Library;
};

// A drop-down list of the installed spelling languages: the proofing languages first, then the
// ispell dictionaries, each marked with the picture of its engine. Choosing an entry configures the
// bound checker. Two pickers on the same configuration list the same entries in the same order, so
// an entry is identified by its index.
//
// The list is filled once, when the picker gets its configuration (the constructor or
// setConfiguration), so that an owner can select an index before the picker is ever shown; the
// main window's picker is never shown at all. fill() fills it again.
class LanguagePicker : public QComboBox {
    Q_OBJECT
public:
    explicit LanguagePicker(const SpellConfiguration* configuration = nullptr, QWidget* parent = nullptr);
    ~LanguagePicker() override;

    // The look both of the program's pickers share: 215 x 24, Verdana 11 pixels, and the hint.
    void applyProgramLook();

    LanguageNameForm languageNameForm() const { return m_langOption; }
    // Takes effect at the next filling.
    void setLangOption(LanguageNameForm option) { m_langOption = option; }

    SpellChecker* spellChecker() const { return m_checker; }
    // Not owned. Applies the current entry; an empty picker switches the checker off.
    void setSpellChecker(SpellChecker* checker);

    const SpellConfiguration* configuration() const { return m_configuration; }
    // Not owned; fills the list from it.
    void setConfiguration(const SpellConfiguration* configuration);

    int itemIndex() const { return currentIndex(); }
    // Selects the entry (-1 or an index outside the list: none) and applies it, even when it was
    // already selected.
    void setItemIndex(int index);

    // Clears the list and builds it anew from the configuration; then selects entry 0, or switches
    // the checker off when there is no entry.
    void fill();

    // The entry at `index`; null outside the list.
    const LanguageEntry* entry(int index) const;

    // The engine pictures; null pixmaps when the resource is missing.
    static QPixmap engineBitmap(EngineType type);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void applyCurrentEntry();
    void addEntry(std::unique_ptr<LanguageEntry> entry, const QString& text);

    LanguageNameForm m_langOption = LanguageNameForm::Localized;
    SpellChecker* m_checker = nullptr;
    const SpellConfiguration* m_configuration = nullptr;
    bool m_filling = false;
    // Every entry ever made, also those of earlier fillings; items refer to them by position.
    std::vector<std::unique_ptr<LanguageEntry>> m_objects;
};
