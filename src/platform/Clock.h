#pragma once

#include <QDateTime>

// The current local date-time; a fixed clock in tests.
class IClock {
public:
    virtual ~IClock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock final : public IClock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};
