#include "DayNumber.h"

#include <QRegularExpression>
#include <cmath>

namespace {

const QDate epoch(1899, 12, 30);
constexpr qint64 msecsPerDay = 86400000;
// Years 1 to 9999, the range the notes file has always used.
constexpr double firstDay = -693593;
constexpr double lastDay = 2958466;

struct WallClock {
    QDate date;
    QTime time;
};

// Date and time of day as written, without going through a time zone: a time that falls into a
// daylight-saving gap is still shown as stored.
std::optional<WallClock> wallClockOf(double dayNumber) {
    if (!std::isfinite(dayNumber) || dayNumber < firstDay || dayNumber >= lastDay)
        return std::nullopt;
    double days = std::floor(dayNumber);
    qint64 msecs = std::llround((dayNumber - days) * double(msecsPerDay));
    if (msecs >= msecsPerDay) {
        days += 1;
        msecs -= msecsPerDay;
    }
    return WallClock{epoch.addDays(qint64(days)), QTime::fromMSecsSinceStartOfDay(int(msecs))};
}

QString displayOf(const QDate& date, const QTime& time, const LocaleFormats& formats) {
    QString text = formats.locale.toString(date, formats.shortDateFormat);
    if (time.msecsSinceStartOfDay() != 0)
        text += QLatin1Char(' ') + formats.locale.toString(time, formats.longTimeFormat);
    return text;
}

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Positions of the day, month and year fields in a date format, literal text in quotes skipped.
struct DateOrder {
    enum Field { Day, Month, Year };
    Field fields[3];
    QChar separator;
};

std::optional<DateOrder> dateOrderOf(const QString& format) {
    DateOrder order{};
    int found = 0;
    bool quoted = false;
    QChar previous;
    for (const QChar c : format) {
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            continue;
        }
        if (quoted)
            continue;
        DateOrder::Field field;
        if (c == QLatin1Char('d'))
            field = DateOrder::Day;
        else if (c == QLatin1Char('M'))
            field = DateOrder::Month;
        else if (c == QLatin1Char('y'))
            field = DateOrder::Year;
        else {
            if (found == 1 && order.separator.isNull() && !c.isSpace())
                order.separator = c;
            previous = c;
            continue;
        }
        if (c != previous) {
            if (found == 3)
                return std::nullopt;
            order.fields[found++] = field;
        }
        previous = c;
    }
    if (found != 3 || order.separator.isNull())
        return std::nullopt;
    return order;
}

QChar timeSeparatorOf(const QString& format) {
    bool afterHour = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('h') || c == QLatin1Char('H'))
            afterHour = true;
        else if (afterHour && !c.isLetter() && !c.isSpace())
            return c;
    }
    return QLatin1Char(':');
}

// Two-digit years fall into the century window that ends 49 years after the current year.
int windowedYear(int twoDigits) {
    const int last = QDate::currentDate().year() + 49;
    int year = (last / 100) * 100 + twoDigits;
    if (year > last)
        year -= 100;
    return year;
}

std::optional<QTime> parseTime(QString text, const LocaleFormats& formats) {
    text = text.trimmed();
    if (text.isEmpty())
        return QTime(0, 0);
    int pmShift = -1; // -1: 24-hour clock, 0: AM, 12: PM
    const QString marks[][2] = {{formats.locale.amText(), QStringLiteral("AM")},
                                {formats.locale.pmText(), QStringLiteral("PM")}};
    for (int i = 0; i < 2 && pmShift < 0; ++i) {
        for (const QString& mark : marks[i]) {
            if (!mark.isEmpty() && text.endsWith(mark, Qt::CaseInsensitive)) {
                text.chop(mark.size());
                text = text.trimmed();
                pmShift = i * 12;
                break;
            }
        }
    }
    const QString sep = QRegularExpression::escape(QString(timeSeparatorOf(formats.longTimeFormat)));
    const QRegularExpression pattern(QStringLiteral("^(\\d{1,2})%1(\\d{1,2})(?:%1(\\d{1,2}))?$").arg(sep));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    int hour = m.captured(1).toInt();
    const int minute = m.captured(2).toInt();
    const int second = m.capturedLength(3) > 0 ? m.captured(3).toInt() : 0;
    if (pmShift >= 0) {
        if (hour < 1 || hour > 12)
            return std::nullopt;
        hour = hour % 12 + pmShift;
    }
    if (!QTime::isValid(hour, minute, second))
        return std::nullopt;
    return QTime(hour, minute, second);
}

} // namespace

namespace DayNumber {

double fromDateTime(const QDateTime& local) {
    return double(epoch.daysTo(local.date())) +
           double(local.time().msecsSinceStartOfDay()) / double(msecsPerDay);
}

QDateTime toDateTime(double dayNumber) {
    const auto wall = wallClockOf(dayNumber);
    if (!wall)
        return {};
    return QDateTime(wall->date, wall->time);
}

QString toText(double dayNumber, QChar decimalSeparator) {
    QString text = QString::number(dayNumber, 'g', 15);
    if (decimalSeparator != QLatin1Char('.'))
        text.replace(QLatin1Char('.'), decimalSeparator);
    return text;
}

QString nowText(const QDateTime& now, QChar decimalSeparator) {
    return toText(fromDateTime(now), decimalSeparator);
}

std::optional<double> parse(const QString& text, QChar decimalSeparator) {
    // Checked by hand: this runs once or twice per note when the list is built.
    const QString trimmed = text.trimmed();
    const qsizetype n = trimmed.size();
    QByteArray plain;
    plain.reserve(n);
    qsizetype i = 0;
    if (i < n && (trimmed[i] == QLatin1Char('+') || trimmed[i] == QLatin1Char('-')))
        plain.append(char(trimmed[i++].unicode()));
    int digits = 0;
    while (i < n && isDigit(trimmed[i])) {
        plain.append(char(trimmed[i++].unicode()));
        ++digits;
    }
    if (i < n && trimmed[i] == decimalSeparator) {
        plain.append('.');
        ++i;
        while (i < n && isDigit(trimmed[i])) {
            plain.append(char(trimmed[i++].unicode()));
            ++digits;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (i < n && (trimmed[i] == QLatin1Char('e') || trimmed[i] == QLatin1Char('E'))) {
        plain.append('e');
        ++i;
        if (i < n && (trimmed[i] == QLatin1Char('+') || trimmed[i] == QLatin1Char('-')))
            plain.append(char(trimmed[i++].unicode()));
        int exponentDigits = 0;
        while (i < n && isDigit(trimmed[i])) {
            plain.append(char(trimmed[i++].unicode()));
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return std::nullopt;
    }
    if (i != n)
        return std::nullopt;
    bool ok = false;
    const double value = plain.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString displayText(const QDateTime& dateTime, const LocaleFormats& formats) {
    return displayOf(dateTime.date(), dateTime.time(), formats);
}

QString displayTextOfNumber(double dayNumber, const LocaleFormats& formats) {
    const auto wall = wallClockOf(dayNumber);
    if (!wall)
        return {};
    return displayOf(wall->date, wall->time, formats);
}

std::optional<QDateTime> parseDateTimeText(const QString& text, const LocaleFormats& formats) {
    const auto order = dateOrderOf(formats.shortDateFormat);
    if (!order)
        return std::nullopt;
    const QString trimmed = text.trimmed();
    // The date is the first word; whatever follows is the time.
    qsizetype end = 0;
    while (end < trimmed.size() && !trimmed[end].isSpace())
        ++end;
    QStringList parts = trimmed.left(end).split(order->separator);
    if (parts.size() == 4 && parts.last().isEmpty()) // "d. M. yy." style: a closing separator
        parts.removeLast();
    if (parts.size() != 3)
        return std::nullopt;

    int values[3] = {0, 0, 0};
    int yearDigits = 0;
    for (int i = 0; i < 3; ++i) {
        const QString part = parts[i].trimmed();
        if (part.isEmpty() || part.size() > 4)
            return std::nullopt;
        for (const QChar c : part)
            if (!isDigit(c))
                return std::nullopt;
        values[order->fields[i]] = part.toInt();
        if (order->fields[i] == DateOrder::Year)
            yearDigits = int(part.size());
        else if (part.size() > 2)
            return std::nullopt;
    }
    int year = values[DateOrder::Year];
    if (yearDigits <= 2)
        year = windowedYear(year);
    const QDate date(year, values[DateOrder::Month], values[DateOrder::Day]);
    if (!date.isValid() || year < 1)
        return std::nullopt;

    const auto time = parseTime(trimmed.mid(end), formats);
    if (!time)
        return std::nullopt;
    return QDateTime(date, *time);
}

} // namespace DayNumber
