#include "NoteKeys.h"

#include "platform/LogNames.h"
#include "platform/QuillError.h"
#include "store/DayNumber.h"

#include <QKeyEvent>
#include <QPlainTextEdit>

NoteKeys::NoteKeys(const IClock& clock, const LocaleFormats& formats,
                   std::function<void(const QString&, const QString&)> reportFailure, QObject* parent)
    : QObject(parent), m_clock(clock), m_formats(formats), m_reportFailure(std::move(reportFailure)) {}

void NoteKeys::watchTitle(QPlainTextEdit* title) {
    title->installEventFilter(this);
}

void NoteKeys::watchBody(QPlainTextEdit* body) {
    body->installEventFilter(this);
    m_bodies.append(body);
}

QString NoteKeys::textForKey(int key) const {
    const QDateTime now = m_clock.now();
    switch (key) {
    case Qt::Key_F7:
        return DayNumber::displayText(now, m_formats) + QLatin1Char(' ');
    case Qt::Key_F8:
        return m_formats.locale.toString(now.date(), m_formats.shortDateFormat) + QLatin1Char(' ');
    case Qt::Key_F9:
        return m_formats.locale.toString(now.time(), m_formats.longTimeFormat) + QLatin1Char(' ');
    default:
        return {};
    }
}

bool NoteKeys::eventFilter(QObject* watched, QEvent* event) {
    auto* editor = qobject_cast<QPlainTextEdit*>(watched);
    if (!editor || (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease))
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const bool isPress = event->type() == QEvent::KeyPress;
    const QString method = isPress ? LogRoutine::DateKey : LogRoutine::BodyKeyUp;
    try {
        if (isPress && key->key() == Qt::Key_B && key->modifiers() == Qt::ControlModifier) {
            editor->textCursor().insertText(QString(QChar(Bullet)));
            return true;
        }
        if (!isPress && !key->isAutoRepeat() && m_bodies.contains(watched)) {
            const QString text = textForKey(key->key());
            if (!text.isEmpty()) {
                editor->textCursor().insertText(text); // replaces the selection, else goes in at the caret
                return true;
            }
        }
    } catch (const std::exception& e) {
        m_reportFailure(method, messageOf(e));
    }
    return false;
}
