#include "core/base/datetime.h"
#include "testregistry.h"

#include <QLocale>
#include <QtTest>

class TestDateTime : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void convertsDayCounts_data()
    {
        QTest::addColumn<double>("days");
        QTest::addColumn<QDateTime>("dateTime");
        QTest::newRow("epoch") << 0.0 << QDateTime(QDate(1899, 12, 30), QTime(0, 0));
        QTest::newRow("noon next day") << 1.5 << QDateTime(QDate(1899, 12, 31), QTime(12, 0));
        QTest::newRow("2026") << 46364.75 << QDateTime(QDate(2026, 12, 8), QTime(18, 0));
        QTest::newRow("before epoch") << -1.25 << QDateTime(QDate(1899, 12, 29), QTime(6, 0));
        QTest::newRow("seconds") << 46364.0 + (9 * 3600 + 15 * 60 + 2) / 86400.0
                                 << QDateTime(QDate(2026, 12, 8), QTime(9, 15, 2));
    }
    void convertsDayCounts()
    {
        QFETCH(double, days);
        QFETCH(QDateTime, dateTime);
        QCOMPARE(DateTimeUtil::FromDays(days), dateTime);
        QVERIFY(qAbs(DateTimeUtil::ToDays(dateTime) - days) < 1e-9);
    }

    void roundsToTheNearestMillisecond()
    {
        // A fraction a hair below midnight belongs to the next day, not 23:59:59.999.
        const double almost = 46364.0 - 1e-12;
        QCOMPARE(DateTimeUtil::FromDays(almost), QDateTime(QDate(2026, 12, 8), QTime(0, 0)));
    }

    // A day count from a file may be any double: outside the years 100 to
    // 9999 every text of it is empty, and nothing overflows on the way.
    void outOfRangeDateTimesShowNoText_data()
    {
        QTest::addColumn<double>("days");
        QTest::addColumn<bool>("shown");
        QTest::newRow("1e300") << 1e300 << false;
        QTest::newRow("-1e300") << -1e300 << false;
        QTest::newRow("9.2e18") << 9.2e18 << false;
        QTest::newRow("NaN") << qQNaN() << false;
        QTest::newRow("infinity") << qInf() << false;
        QTest::newRow("year 10000") << 2958466.0 << false;
        QTest::newRow("rounds into year 10000") << 2958466.0 - 1e-9 << false;
        QTest::newRow("last millisecond of 9999") << 2958466.0 - 1.0 / 86400000.0 << true;
        QTest::newRow("first day of 100") << -657434.0 << true;
        QTest::newRow("year 99") << -657435.0 << false;
    }
    void outOfRangeDateTimesShowNoText()
    {
        QFETCH(double, days);
        QFETCH(bool, shown);
        QCOMPARE(DateTimeUtil::FromDays(days).isValid(), shown);
        QCOMPARE(LocaleUtil::DateTimeText(days).isEmpty(), !shown);
        QCOMPARE(LocaleUtil::ShortDate(days).isEmpty(), !shown);
        if (!shown)
            QCOMPARE(LocaleUtil::ValueAt(20.0, days), QStringLiteral("20.0@"));
    }

    void formatsNumbersWithTheLocaleSeparator_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("C") << "C" << 23.45 << "23.5";
        QTest::newRow("french") << "fr_FR" << 23.45 << "23,5";
        QTest::newRow("negative") << "fr_FR" << -20.0 << "-20,0";
        QTest::newRow("no minus zero") << "C" << -0.04 << "0.0";
        QTest::newRow("marker") << "C" << 9000.0 << "9000.0";
    }
    void formatsNumbersWithTheLocaleSeparator()
    {
        QFETCH(QString, locale);
        QFETCH(double, value);
        QFETCH(QString, text);
        QLocale::setDefault(QLocale(locale));
        QCOMPARE(LocaleUtil::Fixed1(value), text);
        QCOMPARE(LocaleUtil::DecimalIsComma(), locale == QLatin1String("fr_FR"));
    }

    void joinsValueAndTime()
    {
        QLocale::setDefault(QLocale(QStringLiteral("fr_FR")));
        const double t = DateTimeUtil::ToDays(QDateTime(QDate(2026, 12, 8), QTime(9, 15, 2)));
        const QString text = LocaleUtil::ValueAt(23.5, t);
        QVERIFY2(text.startsWith(QLatin1String("23,5@08/12/2026 09:15:02")), qPrintable(text));
        // At midnight the time is left out.
        const double midnight = DateTimeUtil::ToDays(QDateTime(QDate(2026, 12, 8), QTime(0, 0)));
        QCOMPARE(LocaleUtil::DateTimeText(midnight), QStringLiteral("08/12/2026"));
        QVERIFY(!LocaleUtil::LongTime(t).contains(QLatin1String("UTC")));
    }
};

QM738_REGISTER_TEST(TestDateTime)
#include "tst_datetime.moc"
