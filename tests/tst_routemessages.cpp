#include "graphobj/StreamRead.h"
#include "routecheck/RouteMessages.h"
#include "routecheck/RouteRecord.h"
#include "routecheck/SectionRecord.h"

#include <QByteArray>
#include <QDataStream>
#include <QList>
#include <QScopedPointer>
#include <QSet>
#include <QString>
#include <QtEndian>
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

QByteArray int32(qint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

QByteArray ints(std::initializer_list<qint32> values)
{
    QByteArray bytes;
    for (qint32 value : values)
        bytes += int32(value);
    return bytes;
}

SectionRecord makeSection(int id, const QString &name, const QList<int> &objects, int in, int out,
                          bool messageIn, bool messageOut, int inAhead, int inBehind,
                          int outAhead, int outBehind)
{
    SectionRecord section;
    section.id = id;
    section.name = name;
    section.graphObjectIds = objects;
    section.checkTimeIn = in;
    section.checkTimeOut = out;
    section.messageOnTimeIn = messageIn;
    section.messageOnTimeOut = messageOut;
    section.checkTimeInAhead = inAhead;
    section.checkTimeInBehind = inBehind;
    section.checkTimeOutAhead = outAhead;
    section.checkTimeOutBehind = outBehind;
    return section;
}

// The record as a reader must give it back: the derived values as stated, state 0.
SectionRecord asRead(SectionRecord section, bool scheduleOn, int delay)
{
    section.checkScheduleOn = scheduleOn;
    section.delayInto = delay;
    section.state = 0;
    return section;
}

// Values no reader may keep: they are not on the wire.
SectionRecord withStaleDerived(SectionRecord section)
{
    section.checkScheduleOn = !section.checkScheduleOn;
    section.delayInto = 4242;
    section.state = 7;
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
    return int32(id) + hex("FFFFFFFF 00000000") + int32(in) + int32(out) + hex("01 01")
        + ints({0, 0, 0, 0});
}

// What a list at the start of `available` bytes reads as: elements are read
// until the count is reached or the body ends after an element; an element cut
// short reads as 0.
QList<int> expectedList(const QList<int> &full, int available)
{
    QList<int> result;
    if (available < 4 || full.isEmpty())
        return result;
    const int room = available - 4;
    const int read = qMin(full.size(), qMax(1, (room + 3) / 4));
    for (int i = 0; i < read; ++i)
        result.append(room >= 4 * (i + 1) ? full.at(i) : 0);
    return result;
}

int listSize(const QList<int> &list)
{
    return 4 + 4 * list.size();
}

int nameSize(const QString &name)
{
    return 4 + (name.isNull() ? 0 : 2 * name.size());
}

int sectionSize(const SectionRecord &section)
{
    return 4 + nameSize(section.name) + listSize(section.graphObjectIds) + 4 + 4 + 1 + 1 + 16;
}

int intAt(int value, int offset, int available)
{
    return available >= offset + 4 ? value : 0;
}

// Checks a section read from its first `available` bytes against the full one.
void verifyCutSection(const SectionRecord &read, const SectionRecord &full, int available)
{
    int at = 0;
    QCOMPARE(read.id, intAt(full.id, at, available));
    at += 4;
    if (available >= at + nameSize(full.name)) {
        QCOMPARE(read.name, full.name);
        QCOMPARE(read.name.isNull(), full.name.isNull());
    } else {
        QVERIFY2(read.name.isEmpty(), qPrintable(read.name));
    }
    at += nameSize(full.name);
    QCOMPARE(read.graphObjectIds, expectedList(full.graphObjectIds, available - at));
    at += listSize(full.graphObjectIds);
    const int in = intAt(full.checkTimeIn, at, available);
    QCOMPARE(read.checkTimeIn, in);
    at += 4;
    const int out = intAt(full.checkTimeOut, at, available);
    QCOMPARE(read.checkTimeOut, out);
    at += 4;
    QCOMPARE(read.messageOnTimeIn, available > at ? full.messageOnTimeIn : false);
    at += 1;
    QCOMPARE(read.messageOnTimeOut, available > at ? full.messageOnTimeOut : false);
    at += 1;
    QCOMPARE(read.checkTimeInAhead, intAt(full.checkTimeInAhead, at, available));
    at += 4;
    QCOMPARE(read.checkTimeInBehind, intAt(full.checkTimeInBehind, at, available));
    at += 4;
    QCOMPARE(read.checkTimeOutAhead, intAt(full.checkTimeOutAhead, at, available));
    at += 4;
    QCOMPARE(read.checkTimeOutBehind, intAt(full.checkTimeOutBehind, at, available));
    QCOMPARE(read.checkScheduleOn, in >= 0 && out >= 0);
    QCOMPARE(read.state, 0);
}

long peakResidentKiB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The two-section route the round-trip and truncation cases share.
void fillSampleRoute(RouteRecord &route)
{
    route.id = 21;
    route.checkOn = 1;
    route.checkTimeType = 4;
    route.checkTime = 0xF0000001u;
    route.fifthField = -7;
    route.objects = {4, 5};
    route.sections.append(new SectionRecord(withStaleDerived(
        makeSection(3, QStringLiteral("S1"), {9}, 100, 250, true, false, 11, 12, 13, 14))));
    route.sections.append(new SectionRecord(
        withStaleDerived(makeSection(8, QString(), {}, -1, 30, true, true, 1, 2, 3, 4))));
    route.maxSectionId = 0;
}

enum class Reader { IntList, CheckModeReply, Route, Section };

} // namespace

Q_DECLARE_METATYPE(Reader)

class tst_RouteMessages : public QObject
{
    Q_OBJECT

private slots:
    void routeRoundTrip_data();
    void routeRoundTrip();
    void sectionBytes_data();
    void sectionBytes();
    void sectionSchedule_data();
    void sectionSchedule();
    void routeMaxSectionId_data();
    void routeMaxSectionId();
    void intListStopsAtEnd_data();
    void intListStopsAtEnd();
    void hugeCountsCostNothing_data();
    void hugeCountsCostNothing();
    void truncatedRoute_data();
    void truncatedRoute();
    void truncatedSection_data();
    void truncatedSection();
    void saveEnd_data();
    void saveEnd();
    void saveEntry_data();
    void saveEntry();
    void checkModeRequest_data();
    void checkModeRequest();
    void checkModeReply_data();
    void checkModeReply();
    void sectionsState_data();
    void sectionsState();
    void sectionsStateBody();
};

void tst_RouteMessages::routeRoundTrip_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<uint>("checkTime");
    QTest::addColumn<QList<int>>("objects");
    QTest::addColumn<QList<SectionRecord>>("sections");
    QTest::addColumn<QList<SectionRecord>>("expected");
    QTest::addColumn<int>("maxSectionId");

    const SectionRecord scheduled =
        makeSection(3, QStringLiteral("Пост 1"), {9, 10}, 100, 250, true, false, 11, 12, 13, 14);
    const SectionRecord unscheduled =
        makeSection(8, QString(), {}, -1, 30, false, true, -1, 2, 3, 400);
    const SectionRecord emptyName =
        makeSection(-2, QString(""), {7}, 50, 50, true, true, 0, 0, 0, 0);

    QTest::newRow("two sections") << 21 << 0xF0000001u << QList<int>{4, 5}
                                  << QList<SectionRecord>{withStaleDerived(scheduled),
                                                          withStaleDerived(unscheduled)}
                                  << QList<SectionRecord>{asRead(scheduled, true, 150),
                                                          asRead(unscheduled, false, 0)}
                                  << 8;
    QTest::newRow("no sections, no objects") << 4 << 0u << QList<int>{}
                                             << QList<SectionRecord>{}
                                             << QList<SectionRecord>{} << 0;
    QTest::newRow("negative ids and empty name")
        << -12 << 1u << QList<int>{-1} << QList<SectionRecord>{withStaleDerived(emptyName)}
        << QList<SectionRecord>{asRead(emptyName, true, 0)} << 0;
}

void tst_RouteMessages::routeRoundTrip()
{
    QFETCH(int, id);
    QFETCH(uint, checkTime);
    QFETCH(QList<int>, objects);
    QFETCH(QList<SectionRecord>, sections);
    QFETCH(QList<SectionRecord>, expected);
    QFETCH(int, maxSectionId);

    RouteRecord route(id);
    route.checkOn = 1;
    route.checkTimeType = 4;
    route.checkTime = checkTime;
    route.fifthField = -7;
    route.objects = objects;
    for (const SectionRecord &section : qAsConst(sections))
        route.sections.append(new SectionRecord(section));
    route.maxSectionId = 999;

    const QByteArray body = written([&](QDataStream &out) {
        RouteMessages::writeRoute(out, route);
    });
    QDataStream in(body);
    QScopedPointer<RouteRecord> read(RouteMessages::readRoute(reading(in)));
    QVERIFY(read);
    QVERIFY(in.atEnd());
    QCOMPARE(in.status(), QDataStream::Ok);

    QCOMPARE(read->id, id);
    QCOMPARE(read->checkOn, 1);
    QCOMPARE(read->checkTimeType, 4);
    QCOMPARE(read->checkTime, checkTime);
    QCOMPARE(read->fifthField, -7);
    QCOMPARE(read->objects, objects);
    QCOMPARE(read->maxSectionId, maxSectionId);
    QCOMPARE(read->sections.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        const SectionRecord &got = *read->sections.at(i);
        QCOMPARE(got.name.isNull(), expected.at(i).name.isNull());
        QCOMPARE(got.delayInto, expected.at(i).delayInto);
        QCOMPARE(got.checkScheduleOn, expected.at(i).checkScheduleOn);
        QCOMPARE(got.state, 0);
        QVERIFY(got == expected.at(i));
    }
}

void tst_RouteMessages::sectionBytes_data()
{
    QTest::addColumn<SectionRecord>("section");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("null name")
        << makeSection(5, QString(), {7}, 10, 20, true, false, 1, 2, 3, 4)
        << hex("00000005 FFFFFFFF 00000001 00000007 0000000A 00000014 01 00"
               "00000001 00000002 00000003 00000004");
    QTest::newRow("empty name")
        << makeSection(6, QString(""), {}, -1, -1, true, true, 0, 0, 0, 0)
        << hex("00000006 00000000 00000000 FFFFFFFF FFFFFFFF 01 01"
               "00000000 00000000 00000000 00000000");
    QTest::newRow("latin name, negative values")
        << makeSection(-1, QStringLiteral("Ab"), {-2, 3}, 0, 3600, false, false, -5, 0, 0x01020304,
                       -256)
        << hex("FFFFFFFF 00000004 0041 0062 00000002 FFFFFFFE 00000003 00000000 00000E10 00 00"
               "FFFFFFFB 00000000 01020304 FFFFFF00");
    QTest::newRow("cyrillic name in UTF-16 big-endian")
        << makeSection(1, QStringLiteral("Пост"), {}, 5, 6, false, true, 0, 0, 0, 0)
        << hex("00000001 00000008 041F 043E 0441 0442 00000000 00000005 00000006 00 01"
               "00000000 00000000 00000000 00000000");
}

void tst_RouteMessages::sectionBytes()
{
    QFETCH(SectionRecord, section);
    QFETCH(QByteArray, bytes);

    // Neither derived values nor the live state may reach the wire.
    const QByteArray body = written([&](QDataStream &out) {
        RouteMessages::writeSection(out, withStaleDerived(section));
    });
    QCOMPARE(body.toHex(' '), bytes.toHex(' '));

    QDataStream in(bytes);
    QScopedPointer<SectionRecord> read(RouteMessages::readSection(reading(in)));
    QVERIFY(in.atEnd());
    QCOMPARE(read->name, section.name);
    QCOMPARE(read->name.isNull(), section.name.isNull());
    QCOMPARE(read->graphObjectIds, section.graphObjectIds);
    QCOMPARE(read->checkTimeOutBehind, section.checkTimeOutBehind);
    QCOMPARE(read->messageOnTimeIn, section.messageOnTimeIn);
    QCOMPARE(read->messageOnTimeOut, section.messageOnTimeOut);
}

void tst_RouteMessages::sectionSchedule_data()
{
    QTest::addColumn<int>("timeIn");
    QTest::addColumn<int>("timeOut");
    QTest::addColumn<bool>("scheduleOn");
    QTest::addColumn<int>("delay");

    QTest::newRow("in 100, out 50: on, no delay") << 100 << 50 << true << 0;
    QTest::newRow("in 100, out 250: on, delay 150") << 100 << 250 << true << 150;
    QTest::newRow("in -1: off whatever out is") << -1 << 500 << false << 0;
    QTest::newRow("out -1: off") << 100 << -1 << false << 0;
    QTest::newRow("both -1: off") << -1 << -1 << false << 0;
    QTest::newRow("unparsable -2: off") << -2 << 30 << false << 0;
    QTest::newRow("both 0: on, no delay") << 0 << 0 << true << 0;
    QTest::newRow("equal times: on, no delay") << 3600 << 3600 << true << 0;
    QTest::newRow("in 0, out a day: on") << 0 << 86400 << true << 86400;
}

void tst_RouteMessages::sectionSchedule()
{
    QFETCH(int, timeIn);
    QFETCH(int, timeOut);
    QFETCH(bool, scheduleOn);
    QFETCH(int, delay);

    const QByteArray body = minimalSection(1, timeIn, timeOut);
    QDataStream in(body);
    QScopedPointer<SectionRecord> section(RouteMessages::readSection(reading(in)));
    QCOMPARE(section->checkTimeIn, timeIn);
    QCOMPARE(section->checkTimeOut, timeOut);
    QCOMPARE(section->checkScheduleOn, scheduleOn);
    QCOMPARE(section->delayInto, delay);
    QCOMPARE(section->state, 0);
}

void tst_RouteMessages::routeMaxSectionId_data()
{
    QTest::addColumn<qint32>("sectionCount");
    QTest::addColumn<QList<int>>("sectionIds");
    QTest::addColumn<int>("readCount");
    QTest::addColumn<int>("maxSectionId");

    QTest::newRow("ids 3, 7, 5") << 3 << QList<int>{3, 7, 5} << 3 << 7;
    QTest::newRow("largest first") << 3 << QList<int>{9, 1, 2} << 3 << 9;
    QTest::newRow("all ids <= 0") << 3 << QList<int>{0, -4, -1} << 3 << 0;
    QTest::newRow("negative and positive") << 2 << QList<int>{-9, 2} << 2 << 2;
    QTest::newRow("no sections") << 0 << QList<int>{} << 0 << 0;
    QTest::newRow("count 0 before a stray section") << 0 << QList<int>{6} << 0 << 0;
    QTest::newRow("negative count before a stray section") << -3 << QList<int>{6} << 0 << 0;
    QTest::newRow("count 1 of two present") << 1 << QList<int>{4, 8} << 1 << 4;
}

void tst_RouteMessages::routeMaxSectionId()
{
    QFETCH(qint32, sectionCount);
    QFETCH(QList<int>, sectionIds);
    QFETCH(int, readCount);
    QFETCH(int, maxSectionId);

    QByteArray body = ints({10, 0, 1, 0, 0, 0}) + int32(sectionCount);
    for (int id : qAsConst(sectionIds))
        body += minimalSection(id, -1, -1);

    QDataStream in(body);
    QScopedPointer<RouteRecord> route(RouteMessages::readRoute(reading(in)));
    QCOMPARE(route->sections.size(), readCount);
    for (int i = 0; i < readCount; ++i)
        QCOMPARE(route->sections.at(i)->id, sectionIds.at(i));
    QCOMPARE(route->maxSectionId, maxSectionId);
}

void tst_RouteMessages::intListStopsAtEnd_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QList<int>>("ids");

    QTest::newRow("count 5, body ends after 2")
        << hex("00000001 00000005 0000000B 0000000C") << QList<int>{11, 12};
    QTest::newRow("count 2, exact") << hex("00000001 00000002 0000000B 0000000C")
                                    << QList<int>{11, 12};
    QTest::newRow("count 0") << hex("00000001 00000000") << QList<int>{};
    QTest::newRow("count 1 of 2 present") << hex("00000001 00000001 0000000B 0000000C")
                                          << QList<int>{11};
    QTest::newRow("count 0xFFFFFFFF, body ends after 1") << hex("00000001 FFFFFFFF 0000000B")
                                                         << QList<int>{11};
    QTest::newRow("count missing") << hex("00000001") << QList<int>{};
}

void tst_RouteMessages::intListStopsAtEnd()
{
    QFETCH(QByteArray, body);
    QFETCH(QList<int>, ids);

    QDataStream in(body);
    const RouteMessages::CheckModeReply reply = RouteMessages::readCheckModeReply(reading(in));
    QCOMPARE(reply.checkTime, 1u);
    QCOMPARE(reply.routeIds, ids);
}

void tst_RouteMessages::hugeCountsCostNothing_data()
{
    QTest::addColumn<Reader>("reader");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("elements");

    QTest::newRow("int list count 0xFFFFFFFF on 12 bytes")
        << Reader::IntList << hex("FFFFFFFF 00000001 00000002") << 2;
    QTest::newRow("int list count 0x7FFFFFFF on 8 bytes")
        << Reader::IntList << hex("7FFFFFFF 00000001") << 1;
    QTest::newRow("route object count 0x0FFFFFFF")
        << Reader::Route << ints({1, 0, 1, 0, 0, 0x0FFFFFFF, 7, 8}) << 2;
    QTest::newRow("route section count 0x7FFFFFFF")
        << Reader::Route << ints({1, 0, 1, 0, 0, 0, 0x7FFFFFFF, 3}) << 0;
    QTest::newRow("reply route id count 0xFFFFFFFF")
        << Reader::CheckModeReply << hex("00000001 FFFFFFFF 00000005") << 1;
    QTest::newRow("section object count 0x0FFFFFFF")
        << Reader::Section << hex("00000001 FFFFFFFF 0FFFFFFF 00000009") << 1;
}

void tst_RouteMessages::hugeCountsCostNothing()
{
    QFETCH(Reader, reader);
    QFETCH(QByteArray, body);
    QFETCH(int, elements);

    const long before = peakResidentKiB();
    QDataStream in(body);
    reading(in);
    int read = -1;
    switch (reader) {
    case Reader::IntList: {
        QList<int> list;
        StreamRead::readIntList(in, list);
        read = list.size();
        break;
    }
    case Reader::CheckModeReply:
        read = RouteMessages::readCheckModeReply(in).routeIds.size();
        break;
    case Reader::Route: {
        QScopedPointer<RouteRecord> route(RouteMessages::readRoute(in));
        read = route->objects.size();
        break;
    }
    case Reader::Section: {
        QScopedPointer<SectionRecord> section(RouteMessages::readSection(in));
        read = section->graphObjectIds.size();
        break;
    }
    }
    const long grownKiB = peakResidentKiB() - before;
    QCOMPARE(read, elements);
    QVERIFY2(grownKiB < 4 * 1024, qPrintable(QStringLiteral("peak grew by %1 KiB").arg(grownKiB)));
}

void tst_RouteMessages::truncatedRoute_data()
{
    QTest::addColumn<int>("length");

    RouteRecord route;
    fillSampleRoute(route);
    const QByteArray body = written([&](QDataStream &out) {
        RouteMessages::writeRoute(out, route);
    });
    for (int length = 0; length <= body.size(); ++length)
        QTest::addRow("cut at %d of %d", length, int(body.size())) << length;
}

void tst_RouteMessages::truncatedRoute()
{
    QFETCH(int, length);

    RouteRecord full;
    fillSampleRoute(full);
    const QByteArray body = written([&](QDataStream &out) {
        RouteMessages::writeRoute(out, full);
    });
    // 6 ints of head and list, the count, and the two sections.
    QCOMPARE(body.size(),
             36 + sectionSize(*full.sections.at(0)) + sectionSize(*full.sections.at(1)));

    const QByteArray cut = body.left(length);
    QDataStream in(cut);
    QScopedPointer<RouteRecord> read(RouteMessages::readRoute(reading(in)));
    QVERIFY(read);
    QCOMPARE(read->id, intAt(21, 0, length));
    QCOMPARE(read->checkOn, intAt(1, 4, length));
    QCOMPARE(read->checkTimeType, intAt(4, 8, length));
    QCOMPARE(read->checkTime, uint(intAt(int(0xF0000001u), 12, length)));
    QCOMPARE(read->fifthField, intAt(-7, 16, length));
    QCOMPARE(read->objects, expectedList(full.objects, length - 20));

    // A section is read only when some of it is there.
    int start = 36;
    int sections = 0;
    int maxId = 0;
    for (const SectionRecord *section : qAsConst(full.sections)) {
        if (length <= start)
            break;
        QVERIFY(sections < read->sections.size());
        verifyCutSection(*read->sections.at(sections), *section, length - start);
        if (QTest::currentTestFailed())
            return;
        maxId = qMax(maxId, read->sections.at(sections)->id);
        start += sectionSize(*section);
        ++sections;
    }
    QCOMPARE(read->sections.size(), sections);
    QCOMPARE(read->maxSectionId, maxId);
}

void tst_RouteMessages::truncatedSection_data()
{
    QTest::addColumn<int>("length");

    const SectionRecord section =
        makeSection(3, QStringLiteral("S1"), {9, 10}, 100, 250, true, true, 11, 12, 13, 14);
    const int size = sectionSize(section);
    for (int length = 0; length <= size; ++length)
        QTest::addRow("cut at %d of %d", length, size) << length;
}

void tst_RouteMessages::truncatedSection()
{
    QFETCH(int, length);

    const SectionRecord full =
        makeSection(3, QStringLiteral("S1"), {9, 10}, 100, 250, true, true, 11, 12, 13, 14);
    const QByteArray body = written([&](QDataStream &out) {
        RouteMessages::writeSection(out, full);
    });
    QCOMPARE(body.size(), sectionSize(full));

    const QByteArray cut = body.left(length);
    QDataStream in(cut);
    QScopedPointer<SectionRecord> read(RouteMessages::readSection(reading(in)));
    QVERIFY(read);
    verifyCutSection(*read, full, length);
}

void tst_RouteMessages::saveEnd_data()
{
    QTest::addColumn<QSet<int>>("deleted");
    QTest::addColumn<QByteArray>("exact"); // empty when the set's order is not fixed

    QTest::newRow("one deletion") << QSet<int>{42} << hex("FFFFFFFF 00000001 0000002A");
    QTest::newRow("no deletions") << QSet<int>{} << hex("FFFFFFFF 00000000");
    QTest::newRow("negative id") << QSet<int>{-12} << hex("FFFFFFFF 00000001 FFFFFFF4");
    QTest::newRow("three deletions") << QSet<int>{1, 2, 300} << QByteArray();
}

void tst_RouteMessages::saveEnd()
{
    QFETCH(QSet<int>, deleted);
    QFETCH(QByteArray, exact);

    const QByteArray body = written([&](QDataStream &out) {
        RouteMessages::writeSaveEnd(out, deleted);
    });
    if (!exact.isEmpty())
        QCOMPARE(body.toHex(' '), exact.toHex(' '));

    QCOMPARE(body.size(), 8 + 4 * deleted.size());
    QCOMPARE(body.left(8), int32(-1) + int32(deleted.size()));
    QSet<int> ids;
    for (int at = 8; at < body.size(); at += 4)
        ids.insert(qFromBigEndian<qint32>(body.constData() + at));
    QCOMPARE(ids, deleted);
}

void tst_RouteMessages::saveEntry_data()
{
    QTest::addColumn<qint32>("lead");

    QTest::newRow("new route: node id in front") << 12;
    QTest::newRow("changed route: 0 in front") << 0;
}

void tst_RouteMessages::saveEntry()
{
    QFETCH(qint32, lead);

    RouteRecord route(12);
    route.objects = {3};
    route.sections.append(new SectionRecord(makeSection(1, QStringLiteral("A"), {}, -1, -1, true,
                                                        true, 0, 0, 0, 0)));
    const QByteArray body = written([&](QDataStream &out) {
        RouteMessages::writeSaveEntry(out, lead, route);
    });
    const QByteArray expected = int32(lead) + ints({12, 0, 1, 0, 0, 1, 3, 1})
        + hex("00000001 00000002 0041 00000000 FFFFFFFF FFFFFFFF 01 01")
        + ints({0, 0, 0, 0});
    QCOMPARE(body.toHex(' '), expected.toHex(' '));
}

void tst_RouteMessages::checkModeRequest_data()
{
    QTest::addColumn<qint32>("mode");
    QTest::addColumn<QList<int>>("routeIds");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("check on, two routes")
        << 1 << QList<int>{5, -2} << hex("00000001 00000002 00000005 FFFFFFFE");
    QTest::newRow("check off, one route") << 0 << QList<int>{12}
                                          << hex("00000000 00000001 0000000C");
    QTest::newRow("check on, no routes") << 1 << QList<int>{} << hex("00000001 00000000");
}

void tst_RouteMessages::checkModeRequest()
{
    QFETCH(qint32, mode);
    QFETCH(QList<int>, routeIds);
    QFETCH(QByteArray, bytes);

    QCOMPARE(RouteMessages::checkModeRequest(mode, routeIds).toHex(' '), bytes.toHex(' '));
}

void tst_RouteMessages::checkModeReply_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<uint>("checkTime");
    QTest::addColumn<QList<int>>("routeIds");

    QTest::newRow("check on, two routes")
        << hex("6553F100 00000002 00000003 00000004") << 0x6553F100u << QList<int>{3, 4};
    QTest::newRow("check off") << hex("00000000 00000001 00000009") << 0u << QList<int>{9};
    QTest::newRow("time taken as unsigned") << hex("80000001 00000000") << 0x80000001u
                                            << QList<int>{};
    QTest::newRow("time only") << hex("0000000A") << 10u << QList<int>{};
    QTest::newRow("time cut short") << hex("0000") << 0u << QList<int>{};
    QTest::newRow("empty body") << QByteArray() << 0u << QList<int>{};
}

void tst_RouteMessages::checkModeReply()
{
    QFETCH(QByteArray, body);
    QFETCH(uint, checkTime);
    QFETCH(QList<int>, routeIds);

    QDataStream in(body);
    const RouteMessages::CheckModeReply reply = RouteMessages::readCheckModeReply(reading(in));
    QCOMPARE(reply.checkTime, checkTime);
    QCOMPARE(reply.routeIds, routeIds);
}

void tst_RouteMessages::sectionsState_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<qint32>("routeId");
    QTest::addColumn<QList<int>>("states"); // section id, state, section id, state, ...

    QTest::newRow("route id and end mark only") << hex("00000005 00000000") << 5 << QList<int>{};
    QTest::newRow("two states") << hex("00000005 00000001 00000001 00000002 00000002 00000000")
                                << 5 << QList<int>{1, 1, 2, 2};
    QTest::newRow("other state values kept")
        << hex("00000007 00000003 00000009 00000004 FFFFFFFF 00000000") << 7
        << QList<int>{3, 9, 4, -1};
    QTest::newRow("negative section id ends")
        << hex("00000005 00000001 00000002 FFFFFFFF 00000003 00000001 00000000") << 5
        << QList<int>{1, 2};
    QTest::newRow("zero section id ends, rest ignored")
        << hex("00000005 00000001 00000002 00000000 00000003 00000001") << 5 << QList<int>{1, 2};
    QTest::newRow("first section id 0") << hex("00000005 00000000 00000003 00000001") << 5
                                        << QList<int>{};
    QTest::newRow("no end mark") << hex("00000005 00000001 00000002") << 5 << QList<int>{1, 2};
    QTest::newRow("body ends after a section id") << hex("00000005 00000004") << 5
                                                  << QList<int>{4, 0};
    QTest::newRow("route id only") << hex("00000005") << 5 << QList<int>{};
    QTest::newRow("route id cut short") << hex("000000") << 0 << QList<int>{};
    QTest::newRow("empty body") << QByteArray() << 0 << QList<int>{};
}

void tst_RouteMessages::sectionsState()
{
    QFETCH(QByteArray, body);
    QFETCH(qint32, routeId);
    QFETCH(QList<int>, states);

    QDataStream in(body);
    const RouteMessages::SectionsStateReply reply = RouteMessages::readSectionsState(reading(in));
    QCOMPARE(reply.routeId, routeId);
    QList<int> flat;
    for (const RouteMessages::SectionState &entry : reply.states)
        flat << entry.sectionId << entry.state;
    QCOMPARE(flat, states);
}

void tst_RouteMessages::sectionsStateBody()
{
    const QByteArray body = RouteMessages::sectionsStateBody(5, {{1, 2}, {7, 1}});
    const QByteArray expected = hex("00000005 00000001 00000002 00000007 00000001 00000000");
    QCOMPARE(body.toHex(' '), expected.toHex(' '));
}

QTEST_GUILESS_MAIN(tst_RouteMessages)
#include "tst_routemessages.moc"
