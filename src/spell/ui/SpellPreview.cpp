#include "SpellPreview.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextDocument>

namespace {

// Keys whose default handling changes the text; everything else (moving, selecting, copying) is free.
bool changesText(const QKeyEvent* event) {
    static const QKeySequence::StandardKey editing[] = {
        QKeySequence::Cut,
        QKeySequence::Paste,
        QKeySequence::Delete,
        QKeySequence::Backspace,
        QKeySequence::DeleteStartOfWord,
        QKeySequence::DeleteEndOfWord,
        QKeySequence::DeleteEndOfLine,
        QKeySequence::DeleteCompleteLine,
        QKeySequence::Undo,
        QKeySequence::Redo,
    };
    for (const auto key : editing)
        if (event->matches(key))
            return true;
    if (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete)
        return true;
    const QString text = event->text();
    return !text.isEmpty() && text.at(0).isPrint();
}

// The preview shows one line: breaks that come in from a paste or a drop become blanks.
QString oneLine(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    for (const QChar c :
         {QChar(u'\r'), QChar(u'\n'), QChar(QChar::ParagraphSeparator), QChar(QChar::LineSeparator)})
        text.replace(c, QLatin1Char(' '));
    return text;
}

} // namespace

SpellPreview::SpellPreview(QWidget* parent) : QTextEdit(parent) {
    setAcceptRichText(false);
    setUndoRedoEnabled(false); // Undo Edit is the way back; the document's own undo knows no protection
    setTabChangesFocus(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    // The flagged text stays visibly selected while the user is busy with the buttons.
    QPalette p = palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText,
               p.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(p);

    connect(document(), &QTextDocument::contentsChanged, this, &SpellPreview::contentsGuard);
}

void SpellPreview::setContext(const QString& line, int start, int length, const QTextCharFormat& normal,
                              const QTextCharFormat& flagged) {
    start = qBound(0, start, int(line.size()));
    length = qBound(0, length, int(line.size()) - start);
    m_prefix = line.left(start);
    m_middle = line.mid(start, length);
    m_suffix = line.mid(start + length);
    m_normal = normal;
    m_flagged = flagged;
    m_hasContext = true;
    rebuild(start);

    // Compare later edits with what the document really holds (one character for one, but a stray
    // break is stored as a paragraph separator).
    const QString raw = document()->toRawText();
    if (raw.size() == line.size()) {
        m_prefix = raw.left(start);
        m_middle = raw.mid(start, length);
        m_suffix = raw.mid(start + length);
    }
}

void SpellPreview::clearContext() {
    m_prefix.clear();
    m_middle.clear();
    m_suffix.clear();
    m_hasContext = false;
    rebuild(0);
}

void SpellPreview::editedRange(int& start, int& length) const {
    start = editStart();
    length = int(m_middle.size());
}

void SpellPreview::replaceEdited(const QString& text) {
    m_middle = oneLine(text);
    rebuild(editStart());
}

bool SpellPreview::insideEditable(int from, int to) const {
    return m_hasContext && from >= editStart() && to <= editEnd();
}

bool SpellPreview::selectionEditable() const {
    const QTextCursor cursor = textCursor();
    return insideEditable(cursor.selectionStart(), cursor.selectionEnd());
}

void SpellPreview::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->ignore(); // the dialog's default button takes Enter; the line gets no break
        return;
    }
    if (!isReadOnly() && changesText(event)) {
        const QTextCursor cursor = textCursor();
        bool allowed = selectionEditable();
        if (allowed && !cursor.hasSelection()) {
            if (event->key() == Qt::Key_Backspace || event->matches(QKeySequence::DeleteStartOfWord))
                allowed = cursor.position() > editStart();
            else if (event->key() == Qt::Key_Delete || event->matches(QKeySequence::DeleteEndOfWord) ||
                     event->matches(QKeySequence::DeleteEndOfLine))
                allowed = cursor.position() < editEnd();
        }
        if (!allowed) {
            event->accept();
            return;
        }
    }
    QTextEdit::keyPressEvent(event);
}

void SpellPreview::inputMethodEvent(QInputMethodEvent* event) {
    const bool writes = !event->commitString().isEmpty() || !event->preeditString().isEmpty() ||
                        event->replacementLength() != 0;
    if (writes && !selectionEditable()) {
        event->accept();
        return;
    }
    QTextEdit::inputMethodEvent(event);
}

bool SpellPreview::canInsertFromMimeData(const QMimeData* source) const {
    return source->hasText();
}

void SpellPreview::insertFromMimeData(const QMimeData* source) {
    if (!source->hasText() || !selectionEditable())
        return;
    textCursor().insertText(oneLine(source->text()));
}

void SpellPreview::dragMoveEvent(QDragMoveEvent* event) {
    QTextEdit::dragMoveEvent(event);
    const int position = cursorForPosition(event->position().toPoint()).position();
    if (!insideEditable(position, position))
        event->ignore();
}

void SpellPreview::dropEvent(QDropEvent* event) {
    const int position = cursorForPosition(event->position().toPoint()).position();
    if (!insideEditable(position, position)) {
        event->ignore();
        return;
    }
    QTextEdit::dropEvent(event);
}

void SpellPreview::contentsGuard() {
    if (updating)
        return;
    const QString raw = document()->toRawText();
    const qsizetype fixed = m_prefix.size() + m_suffix.size();
    if (m_hasContext && raw.size() >= fixed && raw.startsWith(m_prefix) && raw.endsWith(m_suffix)) {
        const QString middle = raw.mid(m_prefix.size(), raw.size() - fixed);
        if (middle == m_middle)
            return;
        const bool clean = oneLine(middle) == middle;
        m_middle = oneLine(middle);
        if (clean) {
            // Typed text takes the format before the caret; the flagged text keeps its own look.
            updating = true;
            QTextCursor range(document());
            range.setPosition(editStart());
            range.setPosition(editEnd(), QTextCursor::KeepAnchor);
            range.setCharFormat(m_flagged);
            updating = false;
        } else {
            rebuild(editEnd());
        }
        emit edited();
        return;
    }
    // Protected text was touched: put the line back with the last good edit.
    rebuild(qBound(editStart(), textCursor().position(), editEnd()));
}

void SpellPreview::rebuild(int cursorPosition) {
    const bool wasUpdating = updating;
    updating = true;
    QTextCursor cursor(document());
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
    cursor.setCharFormat(m_normal);
    cursor.insertText(m_prefix, m_normal);
    cursor.insertText(m_middle, m_flagged);
    cursor.insertText(m_suffix, m_normal);
    QTextCursor caret(document());
    caret.setPosition(qBound(0, cursorPosition, document()->characterCount() - 1));
    setTextCursor(caret);
    ensureCursorVisible();
    updating = wasUpdating;
}
