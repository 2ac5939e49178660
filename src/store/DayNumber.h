#pragma once

#include "platform/LocaleFormats.h"

#include <QDateTime>
#include <QString>
#include <optional>

// Date-times as stored in the notes file: days since 30 December 1899, the fraction being the time
// of day, written with the locale's decimal separator.
namespace DayNumber {

double fromDateTime(const QDateTime& local);
QDateTime toDateTime(double dayNumber);

// At most 15 significant digits, no trailing zeros, the given separator: "39877.5432060185", "39877".
QString toText(double dayNumber, QChar decimalSeparator);
QString nowText(const QDateTime& now, QChar decimalSeparator);

// A number in the locale's notation (blanks around it allowed); nullopt when it is not one.
std::optional<double> parse(const QString& text, QChar decimalSeparator);

// The locale's short date, then a blank and the long time unless the time is exactly midnight.
QString displayText(const QDateTime& dateTime, const LocaleFormats& formats);
QString displayTextOfNumber(double dayNumber, const LocaleFormats& formats);

// A date (and optional time) typed in the locale's date order with its separators; nullopt otherwise.
std::optional<QDateTime> parseDateTimeText(const QString& text, const LocaleFormats& formats);

} // namespace DayNumber
