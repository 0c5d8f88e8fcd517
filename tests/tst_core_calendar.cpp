#include "calendar/Duration.h"

#include <QCoreApplication>
#include <QTranslator>
#include <QtTest>

#include <climits>

namespace {

// Answers one source text in one context, so the tests see which context a text is looked
// up in without a compiled catalogue.
class OneTextTranslator : public QTranslator
{
public:
    OneTextTranslator(const char *context, const char *source, const QString &translation)
        : context(context), source(source), translation(translation)
    {
    }
    bool isEmpty() const override { return false; }
    QString translate(const char *ctx, const char *text, const char *, int) const override
    {
        return qstrcmp(ctx, context) == 0 && qstrcmp(text, source) == 0 ? translation
                                                                          : QString();
    }

private:
    QByteArray context, source;
    QString translation;
};

} // namespace

class tst_CoreCalendar : public QObject
{
    Q_OBJECT

private slots:
    void durationText_data();
    void durationText();
    void parseDuration_data();
    void parseDuration();
    void translatedTexts_data();
    void translatedTexts();
};

void tst_CoreCalendar::durationText_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("text");

    QTest::newRow("zero") << 0 << "00 days 00:00:00";
    QTest::newRow("one of each") << 90061 << "01 days 01:01:01";
    QTest::newRow("last second of a day") << 86399 << "00 days 23:59:59";
    QTest::newRow("largest int") << INT_MAX << "24855 days 03:14:07";
    QTest::newRow("negative wraps into the day") << -1 << "00 days 23:59:59";
    QTest::newRow("unparsable sentinel") << InvalidDuration << "00 days 23:59:58";
}

// Non-negative durations also read back from their text.
void tst_CoreCalendar::durationText()
{
    QFETCH(int, seconds);
    QFETCH(QString, text);

    QCOMPARE(::durationText(seconds), text);
    if (seconds >= 0)
        QCOMPARE(::parseDuration(text), seconds);
}

void tst_CoreCalendar::parseDuration_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("seconds");

    QTest::newRow("all four fields") << "01 days 02:03:04" << 93784;
    QTest::newRow("two numbers are minutes and seconds") << "10:30" << 630;
    QTest::newRow("three numbers are hours, minutes, seconds") << "1:02:03" << 3723;
    QTest::newRow("one number is seconds") << "45" << 45;
    QTest::newRow("blank mask from the editor") << " days ::" << 0;
    QTest::newRow("any separators") << "1d2h3m4s" << 93784;
    QTest::newRow("more than four numbers use the first four") << "1 2 3 4 99 77" << 93784;
    QTest::newRow("out-of-range fifth number ignored") << "0 0 0 1 99999999999" << 1;
    QTest::newRow("dash inside a number reads as zero") << "1-2:30" << 30;
    QTest::newRow("lone dash reads as zero") << "10 - 30" << 36030;

    QTest::newRow("24 hours") << "00 days 24:00:00" << InvalidDuration;
    QTest::newRow("60 minutes") << "00 days 00:60:00" << InvalidDuration;
    QTest::newRow("60 seconds") << "00 days 00:00:60" << InvalidDuration;
    QTest::newRow("negative days") << "-1 days 00:00:00" << InvalidDuration;
    QTest::newRow("negative minutes") << "-5:00" << InvalidDuration;
    QTest::newRow("negative seconds") << "-5" << InvalidDuration;
    QTest::newRow("total one past largest int") << "24855 days 03:14:08" << InvalidDuration;
    QTest::newRow("days past int do not wrap") << "99999999999 days" << InvalidDuration;
    QTest::newRow("negative past int") << "-99999999999" << InvalidDuration;
}

void tst_CoreCalendar::parseDuration()
{
    QFETCH(QString, text);
    QFETCH(int, seconds);

    QCOMPARE(::parseDuration(text), seconds);
}

void tst_CoreCalendar::translatedTexts_data()
{
    QTest::addColumn<QByteArray>("context");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("mask");

    QTest::newRow("translation reorders the fields")
        << QByteArray("OperativeCheck") << "01 d, 01 h, 01 min, 01 s" << "09 \\d, 09:99:99";
    QTest::newRow("other context is not used")
        << QByteArray("QObject") << "01 days 01:01:01" << "09 \\d\\ays 09:99:99";
}

void tst_CoreCalendar::translatedTexts()
{
    QFETCH(QByteArray, context);
    QFETCH(QString, text);
    QFETCH(QString, mask);

    OneTextTranslator format(context.constData(), DurationFormat, "%4 d, %3 h, %2 min, %1 s");
    OneTextTranslator inputMask(context.constData(), DurationInputMask, "09 \\d, 09:99:99");
    QCoreApplication::installTranslator(&format);
    QCoreApplication::installTranslator(&inputMask);
    const QString shown = ::durationText(90061);
    const QString shownMask = durationInputMask();
    QCoreApplication::removeTranslator(&inputMask);
    QCoreApplication::removeTranslator(&format);

    QCOMPARE(shown, text);
    QCOMPARE(shownMask, mask);
}

QTEST_GUILESS_MAIN(tst_CoreCalendar)
#include "tst_core_calendar.moc"
