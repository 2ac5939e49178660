#include "store/DayNumber.h"

#include <QtTest>

namespace {

QDateTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
}

} // namespace

class TestDayNumber : public QObject {
    Q_OBJECT
private slots:
    void toText_data() {
        QTest::addColumn<QDateTime>("dateTime");
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<QString>("expected");
        QTest::newRow("afternoon") << at(2009, 3, 5, 13, 2, 13) << QChar('.') << "39877.5432060185";
        QTest::newRow("comma") << at(2009, 3, 5, 13, 2, 13) << QChar(',') << "39877,5432060185";
        QTest::newRow("midnight") << at(2009, 3, 5) << QChar('.') << "39877";
        QTest::newRow("epoch") << at(1899, 12, 30, 6) << QChar('.') << "0.25";
        QTest::newRow("before epoch") << at(1899, 12, 29, 18) << QChar('.') << "-0.25";
        // Noon on the days the clocks change in Berlin: a time-zone based difference is an hour off.
        QTest::newRow("spring forward") << at(2009, 3, 29, 12) << QChar('.') << "39901.5";
        QTest::newRow("fall back") << at(2009, 10, 25, 12) << QChar('.') << "40111.5";
    }
    void toText() {
        QFETCH(QDateTime, dateTime);
        QFETCH(QChar, separator);
        QFETCH(QString, expected);
        const QString text = DayNumber::nowText(dateTime, separator);
        QCOMPARE(text, expected);
        const auto back = DayNumber::parse(text, separator);
        QVERIFY(back);
        QCOMPARE(DayNumber::toDateTime(*back), dateTime);
    }

    void parse_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("value");
        QTest::newRow("plain") << "39877.5" << QChar('.') << true << 39877.5;
        QTest::newRow("blanks") << "  39877 \t" << QChar('.') << true << 39877.0;
        QTest::newRow("signs") << "-1.5" << QChar('.') << true << -1.5;
        QTest::newRow("leading point") << ".25" << QChar('.') << true << 0.25;
        QTest::newRow("exponent") << "3.9877E4" << QChar('.') << true << 39877.0;
        QTest::newRow("comma locale") << "39877,5" << QChar(',') << true << 39877.5;
        QTest::newRow("other separator") << "39877,5" << QChar('.') << false << 0.0;
        QTest::newRow("point in comma locale") << "39877.5" << QChar(',') << false << 0.0;
        QTest::newRow("group separator") << "39,877.5" << QChar('.') << false << 0.0;
        QTest::newRow("empty") << "" << QChar('.') << false << 0.0;
        QTest::newRow("only sign") << "-" << QChar('.') << false << 0.0;
        QTest::newRow("bare exponent") << "1e" << QChar('.') << false << 0.0;
        QTest::newRow("two points") << "1.2.3" << QChar('.') << false << 0.0;
        QTest::newRow("inner blank") << "398 77" << QChar('.') << false << 0.0;
        QTest::newRow("nan") << "nan" << QChar('.') << false << 0.0;
        QTest::newRow("inf") << "inf" << QChar('.') << false << 0.0;
        QTest::newRow("overflow") << "1e999" << QChar('.') << false << 0.0;
        QTest::newRow("hex") << "0x10" << QChar('.') << false << 0.0;
        QTest::newRow("date text") << "3/5/09" << QChar('.') << false << 0.0;
    }
    void parse() {
        QFETCH(QString, text);
        QFETCH(QChar, separator);
        QFETCH(bool, valid);
        QFETCH(double, value);
        const auto parsed = DayNumber::parse(text, separator);
        QCOMPARE(parsed.has_value(), valid);
        if (valid)
            QCOMPARE(*parsed, value);
    }

    // What is shown must read back as the same date-time: the repair of a stored date text relies on it.
    void displayText_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QDateTime>("dateTime");
        QTest::addColumn<QString>("expected");
        QTest::newRow("en afternoon") << "en_US" << at(2009, 3, 5, 13, 2, 13) << "3/5/09 1:02:13 PM";
        QTest::newRow("en midnight") << "en_US" << at(2009, 3, 5) << "3/5/09";
        QTest::newRow("en one second past") << "en_US" << at(2009, 3, 5, 0, 0, 1) << "3/5/09 12:00:01 AM";
        QTest::newRow("de afternoon") << "de_DE" << at(2009, 3, 5, 13, 2, 13) << "05.03.09 13:02:13";
        QTest::newRow("fi dotted time") << "fi_FI" << at(2009, 3, 5, 13, 2, 13) << "5.3.2009 13.02.13";
        QTest::newRow("gb day first") << "en_GB" << at(1999, 12, 31, 23, 59, 59) << "31/12/1999 23:59:59";
    }
    void displayText() {
        QFETCH(QString, locale);
        QFETCH(QDateTime, dateTime);
        QFETCH(QString, expected);
        const LocaleFormats formats = LocaleFormats::capture(QLocale(locale));
        QCOMPARE(DayNumber::displayText(dateTime, formats), expected);
        QCOMPARE(DayNumber::displayTextOfNumber(DayNumber::fromDateTime(dateTime), formats), expected);
        QCOMPARE(DayNumber::parseDateTimeText(expected, formats), std::optional<QDateTime>(dateTime));
    }

    void displayOfOddNumbers() {
        const LocaleFormats en = LocaleFormats::capture(QLocale("en_US"));
        // 2:30 does not exist in Berlin on that night; the stored wall-clock time is still shown.
        QCOMPARE(DayNumber::displayTextOfNumber(39901 + 2.5 / 24, en), "3/29/09 2:30:00 AM");
        // Rounding to the millisecond must not produce "24:00".
        QCOMPARE(DayNumber::displayTextOfNumber(39877.99999999999, en), "3/6/09");
        QCOMPARE(DayNumber::displayTextOfNumber(1e12, en), QString());
        QCOMPARE(DayNumber::displayTextOfNumber(qQNaN(), en), QString());
    }

    void parseDateTimeText_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("expected"); // invalid: not a date-time text
        QTest::newRow("four-digit year") << "en_US"
                                         << "3/5/2009" << at(2009, 3, 5);
        QTest::newRow("24-hour clock") << "en_US"
                                       << " 3/5/09 13:02 " << at(2009, 3, 5, 13, 2);
        QTest::newRow("midnight AM") << "en_US"
                                     << "12/31/99 12:00 am" << at(1999, 12, 31);
        QTest::newRow("noon PM") << "en_US"
                                 << "1/2/98 12:00:00PM" << at(1998, 1, 2, 12);
        QTest::newRow("de short") << "de_DE"
                                  << "5.3.09 7:05" << at(2009, 3, 5, 7, 5);
        QTest::newRow("month 13") << "en_US"
                                  << "13/5/09" << QDateTime();
        QTest::newRow("30 February") << "en_US"
                                     << "2/30/09" << QDateTime();
        QTest::newRow("wrong separator") << "en_US"
                                         << "3-5-09" << QDateTime();
        QTest::newRow("two fields") << "en_US"
                                    << "3/5" << QDateTime();
        QTest::newRow("hour 25") << "en_US"
                                 << "3/5/09 25:00" << QDateTime();
        QTest::newRow("13 PM") << "en_US"
                               << "3/5/09 13:00 PM" << QDateTime();
        QTest::newRow("trailing words") << "en_US"
                                        << "3/5/09 1:02 PM later" << QDateTime();
        QTest::newRow("de text in en") << "en_US"
                                       << "05.03.09" << QDateTime();
        QTest::newRow("empty") << "en_US"
                               << "" << QDateTime();
    }
    void parseDateTimeText() {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QFETCH(QDateTime, expected);
        const auto parsed = DayNumber::parseDateTimeText(text, LocaleFormats::capture(QLocale(locale)));
        QCOMPARE(parsed.has_value(), expected.isValid());
        if (parsed)
            QCOMPARE(*parsed, expected);
    }
};

QTEST_GUILESS_MAIN(TestDayNumber)
#include "tst_dayNumber.moc"
