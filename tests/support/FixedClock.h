#pragma once

#include "platform/Clock.h"

// A clock that says what the test tells it.
class FixedClock final : public IClock {
public:
    explicit FixedClock(QDateTime now = QDateTime(QDate(2009, 3, 5), QTime(13, 2, 13))) : m_now(now) {}
    QDateTime now() const override { return m_now; }
    void set(const QDateTime& now) { m_now = now; }

private:
    QDateTime m_now;
};
