#include "TRichEditURL.h"

#include <QKeyEvent>
#include <QMimeData>

TRichEditURL::TRichEditURL(bool singleLine, QWidget* parent)
    : QPlainTextEdit(parent), m_singleLine(singleLine) {
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
}

void TRichEditURL::setText(const QString& text) {
    setPlainText(m_singleLine ? QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')) : text);
}

void TRichEditURL::keyPressEvent(QKeyEvent* event) {
    if (m_singleLine && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        event->ignore(); // lets the window's default handling see Enter
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TRichEditURL::insertFromMimeData(const QMimeData* source) {
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

void TRichEditURL::focusInEvent(QFocusEvent* event) {
    QPlainTextEdit::focusInEvent(event);
    emit focusChanged();
}

void TRichEditURL::focusOutEvent(QFocusEvent* event) {
    QPlainTextEdit::focusOutEvent(event);
    emit focusChanged();
}
