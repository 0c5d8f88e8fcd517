#include "wire/RouteMessages.h"
#include "records/RouteRecord.h"
#include "records/SectionRecord.h"

#include <QtTest>

#include <functional>
#include <initializer_list>

#include <sys/resource.h>

namespace {

// Bodies in the tests are spelled as hex; spaces only group the fields.
QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text));
}

QByteArray ints(std::initializer_list<qint32> values)
{
    QByteArray bytes;
    for (qint32 value : values) {
        bytes += QByteArray(4, '\0');
        qToBigEndian(value, bytes.data() + bytes.size() - 4);
    }
    return bytes;
}

SectionRecord makeSection(int id, const QString &name, const QList<int> &objects, int in, int out,
                          bool messageIn, bool messageOut, int inAhead, int inBehind,
                          int outAhead, int outBehind)
{
    SectionRecord s;
    s.id = id, s.name = name, s.graphObjectIds = objects;
    s.checkTimeIn = in, s.checkTimeOut = out;
    s.messageOnTimeIn = messageIn, s.messageOnTimeOut = messageOut;
    s.checkTimeInAhead = inAhead, s.checkTimeInBehind = inBehind;
    s.checkTimeOutAhead = outAhead, s.checkTimeOutBehind = outBehind;
    return s;
}

// Values no writer may send and no reader may keep: they are not on the wire.
SectionRecord withStaleDerived(SectionRecord section)
{
    section.checkScheduleOn = !section.checkScheduleOn, section.delayInto = 4242, section.state = 7;
    return section;
}

QDataStream &reading(QDataStream &in)
{
    in.setVersion(QDataStream::Qt_4_5);
    return in;
}

QByteArray written(const std::function<void(QDataStream &)> &write)
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    write(out);
    return body;
}

// A section with a null name, no objects and the given id and times.
QByteArray minimalSection(qint32 id, qint32 in, qint32 out)
{
    return ints({id, -1, 0, in, out}) + hex("01 01") + ints({0, 0, 0, 0});
}

const SectionRecord First =
    makeSection(3, QStringLiteral("Пост 1"), {9, 10}, 100, 250, true, false, 11, 12, 13, 14);
const SectionRecord Second = makeSection(8, QString(), {}, -1, 30, false, true, -1, 2, 3, 400);

void fillSampleRoute(RouteRecord &route)
{
    route.id = 21;
    route.checkOn = 1;
    route.checkTimeType = 4;
    route.checkTime = 0xF0000001u;
    route.fifthField = -7;
    route.objects = {4, 5};
    route.sections = {new SectionRecord(withStaleDerived(First)),
                      new SectionRecord(withStaleDerived(Second))};
    route.maxSectionId = 999;
}

QByteArray sampleRouteBody()
{
    RouteRecord route;
    fillSampleRoute(route);
    return written([&](QDataStream &out) { RouteMessages::writeRoute(out, route); });
}

// A counted list read from `available` bytes: elements until the count is
// reached or the body ends after one; an element cut short reads as 0.
QList<int> expectedList(const QList<int> &full, int available)
{
    QList<int> result;
    const int room = available - 4;
    for (int i = 0; room >= 0 && i < full.size() && (i == 0 || room > 4 * i); ++i)
        result.append(room >= 4 * (i + 1) ? full.at(i) : 0);
    return result;
}

// A section read from the first `available` bytes of its full form: a field
// cut short reads as 0 (an unfinished name as empty), the state stays 0.
void verifyCut(const SectionRecord &read, const SectionRecord &full, int available)
{
    int end = 0;
    const auto whole = [&](int size) { end += size; return available >= end; };
    const auto int32 = [&](int value) { return whole(4) ? value : 0; };
    QCOMPARE(read.id, int32(full.id));
    if (whole(4 + (full.name.isNull() ? 0 : 2 * full.name.size()))) {
        QCOMPARE(read.name, full.name);
        QCOMPARE(read.name.isNull(), full.name.isNull());
    } else {
        QVERIFY2(read.name.isEmpty(), qPrintable(read.name));
    }
    QCOMPARE(read.graphObjectIds, expectedList(full.graphObjectIds, available - end));
    whole(4 + 4 * full.graphObjectIds.size());
    const int in = int32(full.checkTimeIn);
    const int out = int32(full.checkTimeOut);
    QCOMPARE(read.checkTimeIn, in);
    QCOMPARE(read.checkTimeOut, out);
    QCOMPARE(read.messageOnTimeIn, whole(1) && full.messageOnTimeIn);
    QCOMPARE(read.messageOnTimeOut, whole(1) && full.messageOnTimeOut);
    QCOMPARE(read.checkTimeInAhead, int32(full.checkTimeInAhead));
    QCOMPARE(read.checkTimeInBehind, int32(full.checkTimeInBehind));
    QCOMPARE(read.checkTimeOutAhead, int32(full.checkTimeOutAhead));
    QCOMPARE(read.checkTimeOutBehind, int32(full.checkTimeOutBehind));
    QCOMPARE(read.checkScheduleOn, in >= 0 && out >= 0);
    QCOMPARE(read.state, 0);
}

long peakResidentKiB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

class tst_RouteMessages : public QObject
{
    Q_OBJECT

private slots:
    void sectionBytes_data();
    void sectionBytes();
    void routeBodies_data();
    void routeBodies();
    void truncatedRoute_data();
    void truncatedRoute();
    void writtenBytes_data();
    void writtenBytes();
    void replies_data();
    void replies();
};

// Written byte for byte and read back; the schedule is on exactly when both
// times are set, the delay is how much later the exit is.
void tst_RouteMessages::sectionBytes_data()
{
    QTest::addColumn<SectionRecord>("section");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("scheduleOn");
    QTest::addColumn<int>("delay");

    QTest::newRow("null name")
        << makeSection(5, QString(), {7}, 10, 20, true, false, 1, 2, 3, 4)
        << hex("00000005 FFFFFFFF 00000001 00000007 0000000A 00000014 01 00"
               "00000001 00000002 00000003 00000004") << true << 10;
    QTest::newRow("empty name")
        << makeSection(6, QString(""), {}, -1, -1, true, true, 0, 0, 0, 0)
        << hex("00000006 00000000 00000000 FFFFFFFF FFFFFFFF 01 01"
               "00000000 00000000 00000000 00000000") << false << 0;
    QTest::newRow("cyrillic name in UTF-16 big-endian, negative values")
        << makeSection(-1, QStringLiteral("Пост"), {-2, 3}, 0, 3600, false, true, -5, 0,
                       0x01020304, -256)
        << hex("FFFFFFFF 00000008 041F 043E 0441 0442 00000002 FFFFFFFE 00000003"
               "00000000 00000E10 00 01 FFFFFFFB 00000000 01020304 FFFFFF00") << true << 3600;
    const auto plain = [](int in, int out) {
        return makeSection(1, QString(), {}, in, out, true, true, 0, 0, 0, 0);
    };
    QTest::newRow("out before in: no delay") << plain(100, 50) << minimalSection(1, 100, 50)
                                             << true << 0;
    QTest::newRow("in unset: off") << plain(-1, 500) << minimalSection(1, -1, 500) << false << 0;
    QTest::newRow("out unset: off") << plain(100, -1) << minimalSection(1, 100, -1) << false << 0;
}

void tst_RouteMessages::sectionBytes()
{
    QFETCH(SectionRecord, section);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, scheduleOn);
    QFETCH(int, delay);

    const QByteArray body = written([&](QDataStream &out) {
        RouteMessages::writeSection(out, withStaleDerived(section));
    });
    QCOMPARE(body.toHex(' '), bytes.toHex(' '));

    QDataStream in(bytes);
    QScopedPointer<SectionRecord> read(RouteMessages::readSection(reading(in)));
    QVERIFY(in.atEnd());
    QCOMPARE(read->checkScheduleOn, scheduleOn);
    QCOMPARE(read->delayInto, delay);
    section.checkScheduleOn = scheduleOn;
    section.delayInto = delay;
    QVERIFY(*read == section);
}

// Routes read from hand-made bodies; huge counts must not size memory.
void tst_RouteMessages::routeBodies_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("read");

    // A route head without objects, a section count and sections of those ids.
    const auto route = [](qint32 count, const QList<int> &ids) {
        QByteArray body = ints({10, 0, 1, 0, 0, 0, count});
        for (int id : ids)
            body += minimalSection(id, -1, -1);
        return body;
    };
    QTest::newRow("largest id not last") << route(3, {3, 7, 5})
                                         << "objects 0, sections 3 7 5, max 7";
    QTest::newRow("all ids <= 0") << route(2, {0, -4}) << "objects 0, sections 0 -4, max 0";
    QTest::newRow("negative count before a stray section") << route(-3, {6})
                                                           << "objects 0, sections, max 0";
    QTest::newRow("count 1 of two present") << route(1, {4, 6}) << "objects 0, sections 4, max 4";
    QTest::newRow("object count 0xFFFFFFFF") << ints({1, 0, 1, 0, 0, -1, 7, 8})
                                             << "objects 2, sections, max 0";
    QTest::newRow("section count 0x7FFFFFFF") << ints({1, 0, 1, 0, 0, 0, 0x7FFFFFFF, 3})
                                              << "objects 0, sections 3, max 3";
    QTest::newRow("section object count 0x0FFFFFFF")
        << ints({1, 0, 1, 0, 0, 0, 1, 1, -1, 0x0FFFFFFF, 9})
        << "objects 0, sections 1 (9), max 1";
}

void tst_RouteMessages::routeBodies()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, read);

    const long before = peakResidentKiB();
    QDataStream in(body);
    QScopedPointer<RouteRecord> route(RouteMessages::readRoute(reading(in)));
    const long grownKiB = peakResidentKiB() - before;
    QString got = QString("objects %1, sections").arg(route->objects.size());
    for (const SectionRecord *section : qAsConst(route->sections)) {
        got += QString(" %1").arg(section->id);
        for (int i = 0; i < section->graphObjectIds.size(); ++i)
            got += QString(i ? " %1" : " (%1").arg(section->graphObjectIds.at(i));
        got += section->graphObjectIds.isEmpty() ? "" : ")";
    }
    QCOMPARE(got + QString(", max %1").arg(route->maxSectionId), read);
    QVERIFY2(grownKiB < 4 * 1024, qPrintable(QStringLiteral("peak grew by %1 KiB").arg(grownKiB)));
}

void tst_RouteMessages::truncatedRoute_data()
{
    QTest::addColumn<int>("length");
    const int size = sampleRouteBody().size();
    for (int length = 0; length <= size; ++length)
        QTest::addRow("cut at %d of %d", length, size) << length;
}

void tst_RouteMessages::truncatedRoute()
{
    QFETCH(int, length);

    RouteRecord full;
    fillSampleRoute(full);
    QDataStream in(sampleRouteBody().left(length));
    QScopedPointer<RouteRecord> read(RouteMessages::readRoute(reading(in)));
    QVERIFY(read);
    if (length == sampleRouteBody().size())
        QCOMPARE(in.status(), QDataStream::Ok);
    const auto head = [length](int value, int at) { return length >= at + 4 ? value : 0; };
    QCOMPARE(read->id, head(21, 0));
    QCOMPARE(read->checkOn, head(1, 4));
    QCOMPARE(read->checkTimeType, head(4, 8));
    QCOMPARE(read->checkTime, uint(head(int(0xF0000001u), 12)));
    QCOMPARE(read->fifthField, head(-7, 16));
    QCOMPARE(read->objects, expectedList(full.objects, length - 20));

    // A section is read only when some of it is there.
    int start = 36;
    int sections = 0;
    int maxId = 0;
    for (const SectionRecord *section : qAsConst(full.sections)) {
        if (length <= start)
            break;
        QVERIFY(sections < read->sections.size());
        verifyCut(*read->sections.at(sections), *section, length - start);
        if (QTest::currentTestFailed())
            return;
        maxId = qMax(maxId, read->sections.at(sections)->id);
        start += written([&](QDataStream &out) { RouteMessages::writeSection(out, *section); })
                     .size();
        ++sections;
    }
    QCOMPARE(read->sections.size(), sections);
    QCOMPARE(read->maxSectionId, maxId);
}

// Bodies the plug-in sends, byte for byte.
void tst_RouteMessages::writtenBytes_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("bytes");

    const auto saveEntry = [](qint32 lead) {
        RouteRecord route(12);
        route.objects = {3};
        route.sections.append(new SectionRecord(
            makeSection(1, QStringLiteral("A"), {}, -1, -1, true, true, 0, 0, 0, 0)));
        return written([&](QDataStream &out) { RouteMessages::writeSaveEntry(out, lead, route); });
    };
    const QByteArray entry = ints({12, 0, 1, 0, 0, 1, 3, 1})
        + hex("00000001 00000002 0041 00000000 FFFFFFFF FFFFFFFF 01 01") + ints({0, 0, 0, 0});
    QTest::newRow("new route: node id in front") << saveEntry(12) << ints({12}) + entry;
    QTest::newRow("changed route: 0 in front") << saveEntry(0) << ints({0}) + entry;
    const auto saveEnd = [](const QSet<int> &deleted) {
        return written([&](QDataStream &out) { RouteMessages::writeSaveEnd(out, deleted); });
    };
    QTest::newRow("save end, one deletion") << saveEnd({42}) << hex("FFFFFFFF 00000001 0000002A");
    QTest::newRow("save end, no deletions") << saveEnd({}) << hex("FFFFFFFF 00000000");
    QTest::newRow("check on, two routes") << RouteMessages::checkModeRequest(1, {5, -2})
                                          << hex("00000001 00000002 00000005 FFFFFFFE");
    QTest::newRow("check off, no routes") << RouteMessages::checkModeRequest(0, {})
                                          << hex("00000000 00000000");
    QTest::newRow("sections state") << RouteMessages::sectionsStateBody(5, {{1, 2}, {7, 1}})
                                    << hex("00000005 00000001 00000002 00000007 00000001 00000000");
}

void tst_RouteMessages::writtenBytes()
{
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, bytes);
    QCOMPARE(body.toHex(' '), bytes.toHex(' '));
}

// Check-mode replies read as time and route ids, state replies as route id and
// (section id, state) pairs.
void tst_RouteMessages::replies_data()
{
    QTest::addColumn<bool>("states");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QList<qint64>>("read");

    QTest::newRow("mode: two routes") << false << hex("6553F100 00000002 00000003 00000004")
                                      << QList<qint64>{0x6553F100, 3, 4};
    QTest::newRow("mode: time taken as unsigned") << false << hex("80000001 00000000")
                                                  << QList<qint64>{0x80000001u};
    QTest::newRow("mode: count 5, body ends after 2")
        << false << hex("00000001 00000005 0000000B 0000000C") << QList<qint64>{1, 11, 12};
    QTest::newRow("mode: count 1 of 2 present")
        << false << hex("00000001 00000001 0000000B 0000000C") << QList<qint64>{1, 11};
    QTest::newRow("mode: count missing") << false << hex("0000000A") << QList<qint64>{10};
    QTest::newRow("states: any value kept")
        << true << hex("00000007 00000003 00000009 00000004 FFFFFFFF 00000000")
        << QList<qint64>{7, 3, 9, 4, -1};
    QTest::newRow("states: negative section id ends")
        << true << hex("00000005 00000001 00000002 FFFFFFFF 00000003 00000001 00000000")
        << QList<qint64>{5, 1, 2};
    QTest::newRow("states: zero section id ends, rest ignored")
        << true << hex("00000005 00000001 00000002 00000000 00000003 00000001")
        << QList<qint64>{5, 1, 2};
    QTest::newRow("states: body ends after a section id") << true << hex("00000005 00000004")
                                                          << QList<qint64>{5, 4, 0};
    QTest::newRow("states: route id cut short") << true << hex("000000") << QList<qint64>{0};
}

void tst_RouteMessages::replies()
{
    QFETCH(bool, states);
    QFETCH(QByteArray, body);
    QFETCH(QList<qint64>, read);

    QDataStream in(body);
    reading(in);
    QList<qint64> flat;
    if (states) {
        const RouteMessages::SectionsStateReply reply = RouteMessages::readSectionsState(in);
        flat << reply.routeId;
        for (const RouteMessages::SectionState &entry : reply.states)
            flat << entry.sectionId << entry.state;
    } else {
        const RouteMessages::CheckModeReply reply = RouteMessages::readCheckModeReply(in);
        flat << reply.checkTime;
        for (int id : reply.routeIds)
            flat << id;
    }
    QCOMPARE(flat, read);
}

QTEST_GUILESS_MAIN(tst_RouteMessages)
#include "tst_routemessages.moc"
