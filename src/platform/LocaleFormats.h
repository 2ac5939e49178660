#pragma once

#include <QLocale>
#include <QString>

// The number, date and time formats of the user's locale, captured once at start-up.
struct LocaleFormats {
    QLocale locale;
    QChar decimalSeparator;
    QString shortDateFormat; // e.g. "M/d/yy", "dd.MM.yy"
    QString longTimeFormat;  // without the time-zone part, e.g. "h:mm:ss AP", "HH:mm:ss"

    static LocaleFormats capture(const QLocale& locale = QLocale::system());
};
