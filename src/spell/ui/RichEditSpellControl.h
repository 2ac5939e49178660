#pragma once

#include "spell/engine/ISpellTextControl.h"

#include <QPointer>
#include <QTextCursor>
#include <memory>

class QTextDocument;
class LinkTextEdit;

// The checker's view of a LinkTextEdit (title or body field). Changes go through the control's
// own cursor, so they join its undo history and raise its change notifications. The shadow is the
// same adapter over a private copy of the document, with a selection of its own.
class RichEditSpellControl : public ISpellTextControl {
public:
    explicit RichEditSpellControl(LinkTextEdit& edit);
    ~RichEditSpellControl() override;

    QString componentName() const override;
    QStringList classChain() const override;
    int textLength() const override;
    QString textRange(int from, int to) const override;
    void selection(int& start, int& end) const override;
    void setSelection(int start, int length) override;
    void replaceSelection(const QString& text) override;
    int findWordBreak(int position, WordBreak direction) const override;
    LanguageId languageAt(int position) const override;
    std::unique_ptr<ISpellTextControl> makeShadow() const override;

private:
    RichEditSpellControl(std::unique_ptr<QTextDocument> copy, QString name, bool singleLine);
    QTextDocument* document() const;
    QTextCursor cursor() const;
    void setCursor(const QTextCursor& cursor);
    QString plainText() const;

    QPointer<LinkTextEdit> m_edit;                // the control, or null for a shadow
    std::unique_ptr<QTextDocument> m_ownDocument; // the shadow's copy
    QTextCursor m_shadowCursor;
    QString m_name;
    bool m_singleLine = false;
};
