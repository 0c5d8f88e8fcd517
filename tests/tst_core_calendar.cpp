#include "calendar/Duration.h"

#include <QCoreApplication>
#include <QTranslator>
#include <QtTest>

#include <climits>

namespace {

QTestData &row(const char *name)
{
    return QTest::newRow(name);
}

// Which way a row goes: the seconds are shown as the text, the text is read
// as the seconds, or both.
constexpr int Shown = 1, Read = 2, Both = Shown | Read;

// Answers one source text in one context, so the tests see which context a
// text is looked up in without a compiled catalogue.
class OneTextTranslator : public QTranslator
{
public:
    OneTextTranslator(const char *context, const char *source, const QString &translation)
        : context(context), source(source), translation(translation) {}
    bool isEmpty() const override { return false; }
    QString translate(const char *ctx, const char *text, const char *, int) const override
    {
        return qstrcmp(ctx, context) || qstrcmp(text, source) ? QString() : translation;
    }
    const QByteArray context, source;
    const QString translation;
};

} // namespace

class tst_CoreCalendar : public QObject
{
    Q_OBJECT

private slots:
    void durations_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("way");

        row("zero") << 0 << "00 days 00:00:00" << Both;
        row("one of each") << 90061 << "01 days 01:01:01" << Both;
        row("last second of a day") << 86399 << "00 days 23:59:59" << Both;
        row("largest int") << INT_MAX << "24855 days 03:14:07" << Both;
        row("negative wraps into the day") << -1 << "00 days 23:59:59" << Shown;
        row("unparsable sentinel") << InvalidDuration << "00 days 23:59:58" << Shown;

        row("all four fields") << 93784 << "01 days 02:03:04" << Both;
        row("two numbers are minutes and seconds") << 630 << "10:30" << Read;
        row("three numbers are hours, minutes, seconds") << 3723 << "1:02:03" << Read;
        row("one number is seconds") << 45 << "45" << Read;
        row("blank mask from the editor") << 0 << " days ::" << Read;
        row("any separators") << 93784 << "1d2h3m4s" << Read;
        row("more than four numbers use the first four") << 93784 << "1 2 3 4 99 77" << Read;
        row("out-of-range fifth number ignored") << 1 << "0 0 0 1 99999999999" << Read;
        row("dash inside a number reads as zero") << 30 << "1-2:30" << Read;
        row("lone dash reads as zero") << 36030 << "10 - 30" << Read;

        row("24 hours") << InvalidDuration << "00 days 24:00:00" << Read;
        row("60 minutes") << InvalidDuration << "00 days 00:60:00" << Read;
        row("60 seconds") << InvalidDuration << "00 days 00:00:60" << Read;
        row("negative days") << InvalidDuration << "-1 days 00:00:00" << Read;
        row("negative minutes") << InvalidDuration << "-5:00" << Read;
        row("negative seconds") << InvalidDuration << "-5" << Read;
        row("total one past largest int") << InvalidDuration << "24855 days 03:14:08" << Read;
        row("days past int do not wrap") << InvalidDuration << "99999999999 days" << Read;
        row("negative past int") << InvalidDuration << "-99999999999" << Read;
    }

    void durations()
    {
        QFETCH(int, seconds);
        QFETCH(QString, text);
        QFETCH(int, way);
        if (way & Shown)
            QCOMPARE(durationText(seconds), text);
        if (way & Read)
            QCOMPARE(parseDuration(text), seconds);
    }

    void translatedTexts_data()
    {
        QTest::addColumn<QByteArray>("context");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("mask");

        row("translation reorders the fields")
            << QByteArray("OperativeCheck") << "01 d, 01 h, 01 min, 01 s" << "09 \\d, 09:99:99";
        row("other context is not used")
            << QByteArray("QObject") << "01 days 01:01:01" << "09 \\d\\ays 09:99:99";
    }

    void translatedTexts()
    {
        QFETCH(QByteArray, context);
        QFETCH(QString, text);
        QFETCH(QString, mask);

        OneTextTranslator format(context.constData(), DurationFormat, "%4 d, %3 h, %2 min, %1 s");
        OneTextTranslator inputMask(context.constData(), DurationInputMask, "09 \\d, 09:99:99");
        QCoreApplication::installTranslator(&format);
        QCoreApplication::installTranslator(&inputMask);
        const QString shown = durationText(90061) + ' ' + durationInputMask();
        QCoreApplication::removeTranslator(&inputMask);
        QCoreApplication::removeTranslator(&format);
        QCOMPARE(shown, text + ' ' + mask);
    }
};

QTEST_GUILESS_MAIN(tst_CoreCalendar)
#include "tst_core_calendar.moc"
