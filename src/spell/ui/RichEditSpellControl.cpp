#include "RichEditSpellControl.h"

#include "controls/LinkTextEdit.h"

#include <QTextBoundaryFinder>
#include <QTextDocument>
#include <algorithm>

RichEditSpellControl::RichEditSpellControl(LinkTextEdit& edit)
    : m_edit(&edit), m_name(edit.objectName()), m_singleLine(edit.isSingleLine()) {}

RichEditSpellControl::RichEditSpellControl(std::unique_ptr<QTextDocument> copy, QString name, bool singleLine)
    : m_ownDocument(std::move(copy)), m_shadowCursor(m_ownDocument.get()), m_name(std::move(name)),
      m_singleLine(singleLine) {}

RichEditSpellControl::~RichEditSpellControl() = default;

QTextDocument* RichEditSpellControl::document() const {
    if (m_ownDocument)
        return m_ownDocument.get();
    if (!m_edit)
        throw SpellError(QStringLiteral("The text control %1 no longer exists.").arg(m_name));
    return m_edit->document();
}

QTextCursor RichEditSpellControl::cursor() const {
    if (m_ownDocument)
        return m_shadowCursor;
    document(); // fails for a control that is gone
    return m_edit->textCursor();
}

void RichEditSpellControl::setCursor(const QTextCursor& cursor) {
    if (m_ownDocument)
        m_shadowCursor = cursor;
    else if (m_edit)
        m_edit->setTextCursor(cursor);
}

QString RichEditSpellControl::plainText() const {
    return document()->toPlainText();
}

QString RichEditSpellControl::componentName() const {
    return m_name;
}

QStringList RichEditSpellControl::classChain() const {
    return {QStringLiteral("TRichEditURL"), QStringLiteral("TCustomRichEdit"), QStringLiteral("TCustomMemo"),
            QStringLiteral("TCustomEdit"),  QStringLiteral("TWinControl"),     QStringLiteral("TControl")};
}

int RichEditSpellControl::textLength() const {
    // Every block but the last ends with one separator, the last with the document's own.
    return std::max(0, document()->characterCount() - 1);
}

QString RichEditSpellControl::textRange(int from, int to) const {
    const QString text = plainText();
    from = std::clamp(from, 0, int(text.size()));
    to = std::clamp(to, from, int(text.size()));
    return text.mid(from, to - from);
}

void RichEditSpellControl::selection(int& start, int& end) const {
    const QTextCursor c = cursor();
    start = c.selectionStart();
    end = c.selectionEnd();
}

void RichEditSpellControl::setSelection(int start, int length) {
    const int size = textLength();
    start = std::clamp(start, 0, size);
    const int end = std::clamp(start + std::max(length, 0), start, size);
    QTextCursor c = cursor();
    c.setPosition(start);
    c.setPosition(end, QTextCursor::KeepAnchor);
    setCursor(c);
}

void RichEditSpellControl::replaceSelection(const QString& text) {
    QString insert = text;
    if (m_singleLine) // a title stays one line, as when pasting
        for (QChar& c : insert)
            if (c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
                c = u' ';
    QTextCursor c = cursor();
    if (insert.isEmpty())
        c.removeSelectedText();
    else
        c.insertText(insert);
    setCursor(c);
}

int RichEditSpellControl::findWordBreak(int position, WordBreak direction) const {
    const QString text = plainText();
    position = std::clamp(position, 0, int(text.size()));
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, text);
    finder.setPosition(position);
    if (direction == WordBreak::Left) {
        if (finder.isAtBoundary() && finder.boundaryReasons().testFlag(QTextBoundaryFinder::StartOfItem))
            return position;
        while (finder.toPreviousBoundary() >= 0)
            if (finder.boundaryReasons().testFlag(QTextBoundaryFinder::StartOfItem))
                return int(finder.position());
        return 0;
    }
    while (finder.toNextBoundary() >= 0)
        if (finder.boundaryReasons().testFlag(QTextBoundaryFinder::StartOfItem))
            return int(finder.position());
    return int(text.size());
}

LanguageId RichEditSpellControl::languageAt(int position) const {
    Q_UNUSED(position);
    return 0; // our controls carry no language of their own
}

std::unique_ptr<ISpellTextControl> RichEditSpellControl::makeShadow() const {
    // The check needs the text and its positions only: a plain copy costs a third of a clone, whose
    // formats nobody reads. Line separators and non-breaking spaces become what plainText() shows
    // anyway, one character for one.
    auto copy = std::make_unique<QTextDocument>();
    copy->setUndoRedoEnabled(false);
    copy->setPlainText(document()->toPlainText());
    return std::unique_ptr<ISpellTextControl>(
        new RichEditSpellControl(std::move(copy), m_name, m_singleLine));
}
