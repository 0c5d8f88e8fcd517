// The live messages' readers take exactly what their writers write, and
// nothing a count or a length could turn into a large allocation.
#include "wire/LiveMessages.h"

#include <QDataStream>
#include <QtTest>

#include <limits>

using namespace LiveMessages;

namespace {

QByteArray stream(const std::function<void(QDataStream &)> &write)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    write(out);
    return bytes;
}

CheckEvent checkEvent(const QString &unitName)
{
    CheckEvent e;
    e.id = 9;
    e.time = 4000000000u; // past 2038: the time is unsigned on the wire
    e.routeId = 11;
    e.routeName = QStringLiteral("Beat");
    e.sectionId = 2;
    e.unitId = 7;
    e.unitName = unitName;
    e.kind = CheckEvent::TimeOut;
    e.deviation = -130;
    return e;
}

} // namespace

class tst_ProtocolLive : public QObject
{
    Q_OBJECT

private slots:
    void positions_data();
    void positions();
    void events_data();
    void events();
    void deviationText_data();
    void deviationText();
};

void tst_ProtocolLive::positions_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("count"); // -1: refused

    const PositionReport a{7, 1700000000u, QPoint(376000000, -556000000)};
    const QByteArray two = positionsBody({a, {8, 0u, QPoint(-1, 1)}});
    QTest::newRow("two reports") << two << 2;
    QTest::newRow("none") << positionsBody({}) << 0;
    QTest::newRow("count of four billion")
        << stream([](QDataStream &out) { out << quint32(0xFFFFFFFFu) << qint32(7); }) << -1;
    QTest::newRow("one report short") << two.left(two.size() - 16) << -1;
    QTest::newRow("cut inside a report") << two.left(two.size() - 3) << -1;
    QTest::newRow("a byte left over") << two + '\0' << -1;
    QTest::newRow("empty body") << QByteArray() << -1;
}

void tst_ProtocolLive::positions()
{
    QFETCH(QByteArray, body);
    QFETCH(int, count);

    QList<PositionReport> reports{{1, 1u, QPoint()}};
    QCOMPARE(readPositions(body, &reports), count >= 0);
    QCOMPARE(reports.size(), qMax(count, 0));
    if (count > 0) {
        QCOMPARE(reports.first(), (PositionReport{7, 1700000000u, QPoint(376000000, -556000000)}));
        QCOMPARE(positionsBody(reports), body);
    }
}

void tst_ProtocolLive::events_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("count"); // -1: refused

    const QByteArray named = eventsBody({checkEvent(QStringLiteral("Car 11"))});
    QTest::newRow("one event") << named << 1;
    // A null name stays null: the host then shows the unit's id.
    QTest::newRow("null names") << eventsBody({checkEvent(QString()), checkEvent(QString())}) << 2;
    QTest::newRow("count past the body")
        << stream([](QDataStream &out) { out << quint32(2) << qint32(1); }) << -1;
    QTest::newRow("name length past the body")
        << stream([](QDataStream &out) {
               out << quint32(1) << qint32(1) << quint32(0) << qint32(1) << quint32(0x7FFFFFF0u);
               out.writeRawData(QByteArray(40, 'x').constData(), 40);
           })
        << -1;
    QTest::newRow("cut short") << named.left(named.size() - 1) << -1;
    QTest::newRow("request read as events") << eventsRequestBody(50) << -1;
}

void tst_ProtocolLive::events()
{
    QFETCH(QByteArray, body);
    QFETCH(int, count);

    QList<CheckEvent> events;
    QCOMPARE(readEvents(body, &events), count >= 0);
    QCOMPARE(events.size(), qMax(count, 0));
    if (count > 0) {
        QCOMPARE(events.first().deviation, -130);
        QCOMPARE(events.first().time, 4000000000u);
        QCOMPARE(eventsBody(events), body);
    }
    int limit = 0;
    QVERIFY(readEventsRequest(eventsRequestBody(25), &limit));
    QCOMPARE(limit, 25);
}

void tst_ProtocolLive::deviationText_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("text");

    QTest::newRow("on time") << 0 << "0 min";
    QTest::newRow("a second late") << 1 << "+1 min";
    QTest::newRow("a minute late") << 60 << "+1 min";
    QTest::newRow("just over four minutes late") << 181 << "+4 min";
    QTest::newRow("a second early") << -1 << "-1 min";
    QTest::newRow("two minutes early") << -120 << "-2 min";
    QTest::newRow("just over two minutes early") << -121 << "-3 min";
    QTest::newRow("the earliest") << std::numeric_limits<int>::min() << "-35791395 min";
}

void tst_ProtocolLive::deviationText()
{
    QFETCH(int, seconds);
    QFETCH(QString, text);

    QCOMPARE(LiveMessages::deviationText(seconds), text);
}

QTEST_MAIN(tst_ProtocolLive)
#include "tst_protocol_live.moc"
