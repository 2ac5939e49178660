#include "LocaleFormats.h"

#include <QRegularExpression>

// Qt's long time format ends in a time-zone token ("t"); a note keeper shows wall-clock time only.
static QString withoutTimeZone(QString format) {
    static const QRegularExpression zone(QStringLiteral("\\s*\\(?t+\\)?\\s*$"));
    format.remove(zone);
    return format.trimmed();
}

LocaleFormats LocaleFormats::capture(const QLocale& locale) {
    LocaleFormats f;
    f.locale = locale;
    const QString point = locale.decimalPoint();
    f.decimalSeparator = point.isEmpty() ? QLatin1Char('.') : point.at(0);
    f.shortDateFormat = locale.dateFormat(QLocale::ShortFormat);
    f.longTimeFormat = withoutTimeZone(locale.timeFormat(QLocale::LongFormat));
    return f;
}
