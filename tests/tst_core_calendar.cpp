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
        row("one of each") << 93784 << "01 days 02:03:04" << Both;
        row("largest int") << INT_MAX << "24855 days 03:14:07" << Both;
        row("negative wraps into the day") << -1 << "00 days 23:59:59" << Shown;

        row("two numbers are minutes and seconds") << 630 << "10:30" << Read;
        row("blank mask from the editor") << 0 << " days ::" << Read;
        row("any separators") << 93784 << "1d2h3m4s" << Read;
        row("more than four numbers use the first four") << 1 << "0 0 0 1 99999999999" << Read;

        row("24 hours") << InvalidDuration << "00 days 24:00:00" << Read;
        row("negative minutes") << InvalidDuration << "-5:00" << Read;
        row("total one past largest int") << InvalidDuration << "24855 days 03:14:08" << Read;
        row("days past int do not wrap") << InvalidDuration << "99999999999 days" << Read;
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

    // Both texts are looked up in the plug-in's context; a translation may
    // reorder the fields.
    void translatedTexts()
    {
        struct : QTranslator {
            bool isEmpty() const override { return false; }
            QString translate(const char *context, const char *text, const char *,
                              int) const override
            {
                if (qstrcmp(context, "OperativeCheck"))
                    return "other context";
                return !qstrcmp(text, DurationFormat) ? "%4 d, %3 h, %2 min, %1 s"
                    : !qstrcmp(text, DurationInputMask) ? "09 \\d, 09:99:99" : QString();
            }
        } translator;
        QCoreApplication::installTranslator(&translator);
        const QString shown = durationText(90061) + ' ' + durationInputMask();
        QCoreApplication::removeTranslator(&translator);
        QCOMPARE(shown, QString("01 d, 01 h, 01 min, 01 s 09 \\d, 09:99:99"));
    }
};

QTEST_GUILESS_MAIN(tst_CoreCalendar)
#include "tst_core_calendar.moc"
