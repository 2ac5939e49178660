#include "LinkTextEdit.h"

#include "controls/ReadableColor.h"
#include "controls/UrlFinder.h"
#include "controls/UrlHighlighter.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QPointer>
#include <QTextBlock>
#include <QTextLayout>

// The palette's link colour, made readable on the text background: a theme that darkens the
// background but keeps the default blue would make links nearly invisible.
static QColor linkColour(const QPalette& palette) {
    return ReadableColor::readableOn(palette.color(QPalette::Link), palette.color(QPalette::Base));
}

LinkTextEdit::LinkTextEdit(bool singleLine, QWidget* parent)
    : QPlainTextEdit(parent), m_singleLine(singleLine),
      m_highlighter(new UrlHighlighter(linkColour(palette()), document())) {
    if (m_singleLine) {
        setLineWrapMode(QPlainTextEdit::NoWrap);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setTabChangesFocus(true);
        document()->setDocumentMargin(2);
    } else {
        setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    }
    viewport()->setMouseTracking(true); // the hand cursor follows the mouse without a button down
    // Once edited, a title is what the user sees: its former line breaks are blanks from then on.
    connect(this, &QPlainTextEdit::textChanged, this, [this] { m_untouched.reset(); });
}

QString LinkTextEdit::text() const {
    return m_untouched ? *m_untouched : typedText();
}

void LinkTextEdit::setText(const QString& text) {
    m_untouched.reset();
    if (!m_singleLine) {
        setPlainText(text);
        return;
    }
    const QString shown = QString(text).replace(QLatin1Char('\n'), QLatin1Char(' '));
    setPlainText(shown);
    if (shown != text)
        m_untouched = text;
}

QString LinkTextEdit::typedText() const {
    QString raw = document()->toRawText();
    for (QChar& c : raw) {
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            c = QLatin1Char('\n');
    }
    return raw;
}

QString LinkTextEdit::linkAt(QPoint viewportPos) const {
    const QTextCursor hit = cursorForPosition(viewportPos);
    const QTextBlock block = hit.block();
    const QTextLayout* layout = block.layout();
    if (!block.isValid() || !layout || layout->lineCount() == 0)
        return {};

    // cursorForPosition gives the nearest caret position and clamps to a line's ends, so check that
    // the point really lies on the character before or after that caret. The layout's origin in the
    // viewport comes from the caret at the block's start, which always sits on its first line.
    const QTextLine first = layout->lineAt(0);
    QTextCursor blockStart(block);
    const QPointF origin = QPointF(cursorRect(blockStart).topLeft()) - QPointF(first.cursorToX(0), first.y());
    const QPointF local = QPointF(viewportPos) - origin;

    // The line is chosen by height: at a wrap the caret position belongs to two visual lines.
    QTextLine line;
    for (int i = 0; i < layout->lineCount() && !line.isValid(); ++i) {
        const QTextLine candidate = layout->lineAt(i);
        if (local.y() >= candidate.y() && local.y() < candidate.y() + candidate.height())
            line = candidate;
    }
    if (!line.isValid())
        return {};
    const int caret = hit.position() - block.position();
    const QString text = block.text();
    for (int index : {caret - 1, caret}) {
        if (index < line.textStart() || index >= line.textStart() + line.textLength())
            continue;
        const qreal x1 = line.cursorToX(index);
        const qreal x2 = line.cursorToX(index + 1);
        if (local.x() < qMin(x1, x2) || local.x() >= qMax(x1, x2))
            continue;
        if (const auto link = UrlFinder::linkAt(text, index))
            return text.mid(link->start, link->length);
        return {};
    }
    return {};
}

void LinkTextEdit::keyPressEvent(QKeyEvent* event) {
    if (m_singleLine && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        event->ignore(); // lets the window's default handling see Enter
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void LinkTextEdit::insertFromMimeData(const QMimeData* source) {
    if (!m_singleLine || !source->hasText()) {
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    QString text = source->text();
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    textCursor().insertText(text);
}

void LinkTextEdit::focusInEvent(QFocusEvent* event) {
    QPlainTextEdit::focusInEvent(event);
    emit focusChanged();
}

void LinkTextEdit::focusOutEvent(QFocusEvent* event) {
    QPlainTextEdit::focusOutEvent(event);
    emit focusChanged();
}

void LinkTextEdit::mousePressEvent(QMouseEvent* event) {
    const QString url = event->button() == Qt::LeftButton ? linkAt(event->position().toPoint()) : QString();
    // The press still places the caret as any press does; the link is reported afterwards, so a
    // handler that opens a window or deletes this control finds the press finished.
    QPointer<LinkTextEdit> self(this);
    QPlainTextEdit::mousePressEvent(event);
    if (self && !url.isEmpty())
        emit linkClicked(url);
}

void LinkTextEdit::mouseMoveEvent(QMouseEvent* event) {
    QPlainTextEdit::mouseMoveEvent(event);
    updateMouseCursor(event->position().toPoint(), event->buttons());
}

void LinkTextEdit::updateMouseCursor(QPoint viewportPos, Qt::MouseButtons buttons) {
    if (buttons == Qt::NoButton && !linkAt(viewportPos).isEmpty()) {
        viewport()->setCursor(Qt::PointingHandCursor);
        return;
    }
    // The shape QPlainTextEdit itself chooses for its text area.
    const bool textCursor = textInteractionFlags() & (Qt::TextEditable | Qt::TextSelectableByMouse);
    viewport()->setCursor(textCursor ? Qt::IBeamCursor : Qt::ArrowCursor);
}

void LinkTextEdit::changeEvent(QEvent* event) {
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        m_highlighter->setLinkColor(linkColour(palette()));
}
