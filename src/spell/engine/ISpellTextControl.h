#pragma once

#include "spell/engine/SpellTypes.h"

#include <QString>
#include <QStringList>
#include <memory>

// The text control layer the checker works on: what it needs of a memo or rich-edit control.
// Positions count QString characters from 0. The program's implementation wraps LinkTextEdit (one-line
// and multi-line); the shadow is a hidden copy of the content on which the checker searches and
// reads languages, and every change is made to both.
class ISpellTextControl {
public:
    virtual ~ISpellTextControl() = default;

    // The control's object name, for "You can't spell check %s.".
    virtual QString componentName() const = 0;
    // The control's class and its ancestors, most derived first, as registered for checking.
    virtual QStringList classChain() const = 0;

    virtual int textLength() const = 0;
    virtual QString textRange(int from, int to) const = 0;

    virtual void selection(int& start, int& end) const = 0;
    virtual void setSelection(int start, int length) = 0;
    virtual void replaceSelection(const QString& text) = 0;

    enum class WordBreak { Left, Right };
    // The word start at or left of `position`, or the next word start right of it.
    virtual int findWordBreak(int position, WordBreak direction) const = 0;
    // The locale of the character at `position`; 0 when the control carries no language.
    virtual LanguageId languageAt(int position) const = 0;

    // A hidden copy of the content (same class, same text) that the checker owns while checking.
    virtual std::unique_ptr<ISpellTextControl> makeShadow() const = 0;
};
