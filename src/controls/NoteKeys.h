#pragma once

#include "platform/Clock.h"
#include "platform/LocaleFormats.h"

#include <QObject>
#include <functional>

class QPlainTextEdit;

// The keys every note field understands: Ctrl+B types a bullet; in a body field F7, F8 and F9 type
// the date and time, the date, or the time, each followed by a blank, when the key is released
// (so holding a key down types the text once).
class NoteKeys final : public QObject {
    Q_OBJECT
public:
    // Failures are handed to `reportFailure(method, message)`: "redNoteOriginalKeyPress" for the
    // bullet, "redNoteKeyUp" for the date keys.
    NoteKeys(const IClock& clock, const LocaleFormats& formats,
             std::function<void(const QString&, const QString&)> reportFailure, QObject* parent = nullptr);

    void watchTitle(QPlainTextEdit* title);
    void watchBody(QPlainTextEdit* body);

    static constexpr char16_t Bullet = u'\u2022';
    // The text a date key types, or an empty text for other keys.
    QString textForKey(int key) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const IClock& m_clock;
    const LocaleFormats& m_formats;
    std::function<void(const QString&, const QString&)> m_reportFailure;
    QList<QObject*> m_bodies;
};
