// The wire formats: every reader and writer, their exact bytes, and what each
// does with a body that is short, long or lying about its counts.
#include "records/RouteRecord.h"
#include "records/SectionRecord.h"
#include "wire/Endpoint.h"
#include "wire/Frame.h"
#include "wire/LayerMessages.h"
#include "wire/LiveMessages.h"
#include "wire/RouteMessages.h"
#include "wire/TreeBodies.h"

#include <QFile>
#include <QPixmap>
#include <QtTest>

#include <functional>
#include <initializer_list>
#include <limits>
#include <memory>

#include <sys/resource.h>

Q_DECLARE_METATYPE(QDataStream::Status)

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

// Peak resident size, and peak address space, which also sees memory
// reserved but never touched.
struct PeakKiB
{
    qint64 resident = 0;
    qint64 address = 0;
};

PeakKiB peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmPeak:"))
            return {usage.ru_maxrss, line.mid(7).trimmed().split(' ').value(0).toLongLong()};
    }
    return {usage.ru_maxrss, 0};
}

// A count on the wire reserves nothing the body does not back.
void verifyNoGrowth(const PeakKiB &before)
{
    const PeakKiB after = peakKiB();
    QVERIFY2(after.resident - before.resident < 8 * 1024,
             qPrintable(QStringLiteral("resident grew %1 KiB").arg(after.resident - before.resident)));
    QVERIFY2(after.address - before.address < 256 * 1024,
             qPrintable(QStringLiteral("address space grew %1 KiB")
                            .arg(after.address - before.address)));
}

QByteArray record(const GraphObData &data)
{
    return written([&](QDataStream &out) { WriteGraphObData(out, data); });
}

// Values in the wire's stream form.
template <typename... Values>
QByteArray wire(const Values &...values)
{
    return written([&](QDataStream &out) { (out << ... << values); });
}

template <typename... Words>
QByteArray words(Words... values)
{
    return wire(quint32(values)...);
}

// A layer record's head in wire order (type code, id, name), and one property
// map entry whose value is already encoded.
QByteArray recordHead(qint32 type, const QString &name = "h")
{
    return wire(type, qint32(9), name);
}

QByteArray entry(const QString &key, quint32 typeId, const QByteArray &value)
{
    return wire(key, typeId, qint8(0)) + value;
}

struct Reading
{
    std::unique_ptr<GraphObData> data;
    QDataStream::Status status;
    bool atEnd;
};

Reading readRecord(const QByteArray &bytes, QDataStream::Status before = QDataStream::Ok)
{
    QDataStream in(bytes);
    reading(in).setStatus(before);
    std::unique_ptr<GraphObData> data(ReadGraphObData(in));
    return Reading{std::move(data), in.status(), in.atEnd()};
}

LiveMessages::CheckEvent checkEvent(const QString &unitName)
{
    LiveMessages::CheckEvent e;
    e.id = 9;
    e.time = 4000000000u; // past 2038: the time is unsigned on the wire
    e.routeId = 11;
    e.routeName = QStringLiteral("Beat");
    e.sectionId = 2;
    e.unitId = 7;
    e.unitName = unitName;
    e.kind = LiveMessages::CheckEvent::TimeOut;
    e.deviation = -130;
    return e;
}

// What a strict reader made of a body: the items read, or "refused"; the body
// written again from them must be the same bytes.
enum class Strict { Positions, Events, EventsRequest, FrameRequest, FrameReply };

QString readStrict(Strict reader, const QByteArray &body)
{
    using namespace LiveMessages;
    const auto verdict = [&body](const auto &read, auto write, int count) {
        if (!read)
            return QStringLiteral("refused");
        return write(*read) == body ? QString::number(count) : QStringLiteral("written otherwise");
    };
    switch (reader) {
    case Strict::Positions: {
        const auto read = readPositions(body);
        return verdict(read, positionsBody, read ? read->size() : 0);
    }
    case Strict::Events: {
        const auto read = readEvents(body);
        return verdict(read, eventsBody, read ? read->size() : 0);
    }
    case Strict::EventsRequest: {
        const auto read = readEventsRequest(body);
        return verdict(read, eventsRequestBody, read.value_or(0));
    }
    case Strict::FrameRequest: {
        const auto read = Frame::decodeRequest(body);
        return verdict(read, [](const Frame::Request &r) { return Frame::encode(r).mid(4); },
                       read ? read->body.size() : 0);
    }
    case Strict::FrameReply: {
        const auto read = Frame::decodeReply(body);
        return verdict(read, [](const Frame::Reply &r) { return Frame::encode(r).mid(4); },
                       read ? read->body.size() : 0);
    }
    }
    return QString();
}

} // namespace

Q_DECLARE_METATYPE(Strict)

class tst_CoreWire : public QObject
{
    Q_OBJECT

private slots:
    void sectionBytes_data();
    void sectionBytes();
    void routeBodies_data();
    void routeBodies();
    void writtenBytes_data();
    void writtenBytes();
    void replies_data();
    void replies();
    void layerRecordRoundTrip_data();
    void layerRecordRoundTrip();
    void layerRecordBadBodies_data();
    void layerRecordBadBodies();
    void layerRecordRepeatedKey();
    void layerClaimsCostNothing_data();
    void layerClaimsCostNothing();
    void strictReaders_data();
    void strictReaders();
    void frameSplitter_data();
    void frameSplitter();
    void deviationText_data();
    void deviationText();
    void endpoint_data();
    void endpoint();
};

// Written byte for byte and read back; the schedule is on exactly when both
// times are set, the delay is how much later the exit is.
void tst_CoreWire::sectionBytes_data()
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

void tst_CoreWire::sectionBytes()
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
void tst_CoreWire::routeBodies_data()
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
    // A section is read when some of it is there; its missing fields read as 0.
    QTest::newRow("body ends inside the second section")
        << route(2, {4, 6}).chopped(30) << "objects 0, sections 4 6, max 6";
    QTest::newRow("body ends inside the head") << route(2, {4}).left(10)
                                               << "objects 0, sections, max 0";
    QTest::newRow("object count 0xFFFFFFFF") << ints({1, 0, 1, 0, 0, -1, 7, 8})
                                             << "objects 2, sections, max 0";
    QTest::newRow("section count 0x7FFFFFFF") << ints({1, 0, 1, 0, 0, 0, 0x7FFFFFFF, 3})
                                              << "objects 0, sections 3, max 3";
    QTest::newRow("section object count 0x0FFFFFFF")
        << ints({1, 0, 1, 0, 0, 0, 1, 1, -1, 0x0FFFFFFF, 9})
        << "objects 0, sections 1 (9), max 1";
}

void tst_CoreWire::routeBodies()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, read);

    const PeakKiB before = peakKiB();
    QDataStream in(body);
    QScopedPointer<RouteRecord> route(RouteMessages::readRoute(reading(in)));
    verifyNoGrowth(before);
    QString got = QString("objects %1, sections").arg(route->objects.size());
    for (const SectionRecord *section : qAsConst(route->sections)) {
        got += QString(" %1").arg(section->id);
        for (int i = 0; i < section->graphObjectIds.size(); ++i)
            got += QString(i ? " %1" : " (%1").arg(section->graphObjectIds.at(i));
        got += section->graphObjectIds.isEmpty() ? "" : ")";
    }
    QCOMPARE(got + QString(", max %1").arg(route->maxSectionId), read);
}

// Bodies the plug-in sends, byte for byte.
void tst_CoreWire::writtenBytes_data()
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

    // Trees: node count, then id, name, bits, the children as a tree, the payload.
    TreeNode leaf{4, QStringLiteral("B"), 3, {}, RouteRecord(4), {}};
    TreeNode group{2, QStringLiteral("A"), 1, {leaf}, std::nullopt, {}};
    QTest::newRow("rule tree: a group over a route")
        << TreeBodies::ruleTree({group})
        << ints({1, 2}) + hex("00000002 0041") + ints({1, 1, 4}) + hex("00000002 0042")
               + ints({3, 0}) + hex("01") + ints({4, 0, 1, 0, 0, 0, 0}) + hex("00");
    group.children.clear();
    group.objects = {GraphObData{17, 2, QStringLiteral("L"), {{1, -2}}, {{"Width", 30}}}};
    QTest::newRow("layer tree: a record, type code before id")
        << TreeBodies::layerTree({group})
        << ints({1, 2}) + hex("00000002 0041") + ints({1, 0, 1, 2, 17}) + hex("00000002 004c")
               + ints({1, 1, -2, 1}) + hex("0000000a 0057006900640074006800000002 00 0000001e");
    QTest::newRow("object tree: no payload")
        << TreeBodies::objectTree({TreeNode{7, QString(), 2, {}, std::nullopt, {}}})
        << ints({1, 7, -1, 2, 0});
    QTest::newRow("request frame: length, server, command, body")
        << Frame::encode(Frame::Request{"S", "C", QByteArray("\x01", 1)})
        << ints({15, 1}) + "S" + ints({1}) + "C" + ints({1}) + hex("01");
    QTest::newRow("positions: count, then unit, time, x, y")
        << LiveMessages::positionsBody({{7, 4000000000u, QPoint(-1, 2)}})
        << ints({1, 7, -294967296, -1, 2});
}

void tst_CoreWire::writtenBytes()
{
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, bytes);
    QCOMPARE(body.toHex(' '), bytes.toHex(' '));
}

// Check-mode replies read as time and route ids, state replies as route id and
// (section id, state) pairs.
void tst_CoreWire::replies_data()
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

void tst_CoreWire::replies()
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

// Every plain value type the record reader accepts comes back as written.
void tst_CoreWire::layerRecordRoundTrip_data()
{
    QTest::addColumn<QVariant>("value");

    QTest::newRow("int") << QVariant(-7);
    QTest::newRow("long long") << QVariant(qint64(-1099511627776));
    QTest::newRow("double") << QVariant(2.5);
    QTest::newRow("bool") << QVariant(true);
    QTest::newRow("text") << QVariant(QStringLiteral("Bridge \u2116 5"));
    QTest::newRow("null text") << QVariant(QString());
    QTest::newRow("colour with alpha") << QVariant(QColor(10, 20, 30, 40));
    QTest::newRow("invalid colour") << QVariant(QColor());
    QTest::newRow("bytes") << QVariant(QByteArray("\0\1\2", 3));
    QTest::newRow("string list") << QVariant(QStringList{"a", "", "c"});
    QTest::newRow("point") << QVariant(QPoint(-5, 6));
    QTest::newRow("date and time") << QVariant(QDateTime(QDate(2014, 3, 9), QTime(8, 0), Qt::UTC));
    QTest::newRow("invalid") << QVariant();
}

void tst_CoreWire::layerRecordRoundTrip()
{
    QFETCH(QVariant, value);
    const QByteArray bytes =
        record({41, 3, "Yard", {{1, 2}, {-3, 4}}, {{"Value", value}, {"Comment", "note"}}});
    const Reading reading = readRecord(bytes);
    QCOMPARE(reading.status, QDataStream::Ok);
    QVERIFY(reading.atEnd);
    // Written again, byte for byte the same: fields, value types and values.
    QCOMPARE(record(*reading.data).toHex(), bytes.toHex());
}

// A body that ends early keeps the whole points read before it. A map that
// fails part-way is emptied, and the stream keeps the status it came in with
// when that was already a failure. Values that would run code or allocate on
// the wire's word fail the stream, and the whole map goes, not just the bad value.
void tst_CoreWire::layerRecordBadBodies_data()
{
    using Points = QList<QPoint>;
    QTest::addColumn<QByteArray>("body"); // after the head
    QTest::addColumn<QDataStream::Status>("before");
    QTest::addColumn<Points>("points");
    QTest::addColumn<int>("size"); // of the map
    QTest::addColumn<QDataStream::Status>("after");

    const auto ok = QDataStream::Ok;
    const auto past = QDataStream::ReadPastEnd;
    const auto corrupt = QDataStream::ReadCorruptData;
    const Points none;
    const QByteArray textA = QByteArray::fromHex("000000020041"); // "A"
    QTest::newRow("count 3, body ends after the first")
        << words(3, 5, 6) << ok << Points{{5, 6}} << 0 << past;
    QTest::newRow("count 3, second cut in half")
        << words(3, 5, 6, 7) << ok << Points{{5, 6}} << 0 << past;
    QTest::newRow("negative coordinates")
        << words(1, 0xFFFFFFFF, 0x80000000, 0) << ok
        << Points{{-1, std::numeric_limits<int>::min()}} << 0 << ok;
    const QByteArray width = entry("Width", 2, QByteArray::fromHex("00000050"));
    const QByteArray comment = entry("Comment", 10, textA);
    QTest::newRow("map ends inside a value: emptied")
        << words(0, 2) + width + comment.chopped(2) << ok << none << 0 << past;
    QTest::newRow("map ends early: earlier status restored")
        << words(0, 2) + width << corrupt << none << 0 << corrupt;
    QTest::newRow("whole map read on a failed stream, status kept")
        << words(0, 2) + width + comment << corrupt << none << 2 << corrupt;
    QTest::newRow("odd text length is corrupt")
        << words(0, 1) + entry("Comment", 10, QByteArray::fromHex("0000000300410042")) << ok
        << none << 0 << corrupt;
    const QByteArray good = words(0, 2) + comment + wire(QStringLiteral("Zeta"));
    QTest::newRow("pixmap") << good + wire(QVariant::fromValue(QPixmap(2, 2))) << ok << none << 0
                            << corrupt;
    QTest::newRow("map of variants") << good + wire(QVariant(QVariantMap{{"a", 1}})) << ok << none
                                     << 0 << corrupt;
    QTest::newRow("user type by name")
        << good + words(127) + QByteArray::fromHex("00000000045150656e") << ok << none << 0
        << corrupt;
    QTest::newRow("unknown type id") << good + words(999) + QByteArray::fromHex("00") << ok << none
                                     << 0 << corrupt;
    QTest::newRow("colour of no colour model")
        << good + words(67) + QByteArray::fromHex("00" "09" "ffff" "0000" "0000" "0000" "0000")
        << ok << none << 0 << corrupt;
}

void tst_CoreWire::layerRecordBadBodies()
{
    QFETCH(QByteArray, body);
    QFETCH(QDataStream::Status, before);
    QFETCH(QList<QPoint>, points);
    QFETCH(int, size);
    QFETCH(QDataStream::Status, after);
    const Reading reading = readRecord(recordHead(2, "v") + body, before);
    QCOMPARE(reading.data->name, QStringLiteral("v"));
    QCOMPARE(reading.data->points, points);
    QCOMPARE(reading.data->properties.size(), size);
    QCOMPARE(reading.status, after);
    if (size)
        QCOMPARE(reading.data->properties.value("Width"), QVariant(80));
}

// Every value read stays; a lookup finds the one read last, also after
// writing back and reading again.
void tst_CoreWire::layerRecordRepeatedKey()
{
    const Reading reading = readRecord(recordHead(2) + words(0, 3)
                                       + entry("Width", 2, QByteArray::fromHex("0000000a"))
                                       + entry("Color", 10, QByteArray::fromHex("00000000"))
                                       + entry("Width", 2, QByteArray::fromHex("00000014")));
    const QVariantMap &properties = reading.data->properties;
    QCOMPARE(properties.size(), 3);
    QCOMPARE(properties.count("Width"), 2);
    QCOMPARE(properties.value("Width"), QVariant(20));
    QCOMPARE(readRecord(record(*reading.data)).data->properties, properties);
}

void tst_CoreWire::layerClaimsCostNothing_data()
{
    QTest::addColumn<QByteArray>("body"); // after the head

    QTest::newRow("0xFFFFFFFF vertices") << words(0xFFFFFFFF, 1, 2, 3);
    QTest::newRow("0x0FFFFFFF properties") << words(0, 0x0FFFFFFF, 1, 2, 3);
    QTest::newRow("string list of 0x0FFFFFFF strings")
        << words(0, 1) + entry("k", 11, words(0x0FFFFFFF, 0));
}

void tst_CoreWire::layerClaimsCostNothing()
{
    QFETCH(QByteArray, body);
    const PeakKiB before = peakKiB();
    const Reading reading = readRecord(recordHead(3) + body);
    verifyNoGrowth(before);
    QVERIFY(reading.data->points.size() <= 2);
}

// The host-level bodies and the frames are read strictly: exactly what the
// writer would write, or nothing.
void tst_CoreWire::strictReaders_data()
{
    QTest::addColumn<Strict>("reader");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("read"); // item count (the limit for a request), or "refused"

    using namespace LiveMessages;
    const QByteArray two = positionsBody({{7, 1700000000u, QPoint(376000000, -556000000)},
                                          {8, 1700000001u, QPoint(-1, 1)}});
    QTest::newRow("positions: two") << Strict::Positions << two << "2";
    QTest::newRow("positions: none") << Strict::Positions << positionsBody({}) << "0";
    QTest::newRow("positions: count of four billion")
        << Strict::Positions << words(0xFFFFFFFFu, 7) << "refused";
    QTest::newRow("positions: one report short") << Strict::Positions << two.chopped(16)
                                                 << "refused";
    QTest::newRow("positions: cut inside a report") << Strict::Positions << two.chopped(3)
                                                    << "refused";
    QTest::newRow("positions: a byte left over") << Strict::Positions << two + '\0' << "refused";
    QTest::newRow("positions: empty body") << Strict::Positions << QByteArray() << "refused";

    const QByteArray named = eventsBody({checkEvent(QStringLiteral("Car 11"))});
    QTest::newRow("events: one") << Strict::Events << named << "1";
    // A null name stays null: the host then shows the unit's id.
    QTest::newRow("events: null names")
        << Strict::Events << eventsBody({checkEvent(QString()), checkEvent(QString())}) << "2";
    QTest::newRow("events: count past the body") << Strict::Events << words(2, 1) << "refused";
    QByteArray longName = words(1, 1, 0, 1, 0x7FFFFFF0u);
    longName += QByteArray(40, 'x');
    QTest::newRow("events: name length past the body") << Strict::Events << longName
                                                        << "refused";
    QTest::newRow("events: cut short") << Strict::Events << named.chopped(1) << "refused";
    QTest::newRow("events: a request read as events")
        << Strict::Events << eventsRequestBody(50) << "refused";

    QTest::newRow("events request") << Strict::EventsRequest << eventsRequestBody(25) << "25";
    QTest::newRow("events request: long") << Strict::EventsRequest << words(25, 0) << "refused";

    const QByteArray request = Frame::encode(Frame::Request{"S", "C", "body"}).mid(4);
    const QByteArray reply = Frame::encode(Frame::Reply{"C", "body"}).mid(4);
    QTest::newRow("request frame") << Strict::FrameRequest << request << "4";
    QTest::newRow("request frame: a byte left over") << Strict::FrameRequest << request + 'x'
                                                     << "refused";
    QTest::newRow("request frame: a reply") << Strict::FrameRequest << reply << "refused";
    QTest::newRow("reply frame") << Strict::FrameReply << reply << "4";
    QTest::newRow("reply frame: body length past the end")
        << Strict::FrameReply << reply.chopped(1) << "refused";
}

void tst_CoreWire::strictReaders()
{
    QFETCH(Strict, reader);
    QFETCH(QByteArray, body);
    QFETCH(QString, read);
    QCOMPARE(readStrict(reader, body), read);
}

// Whole frames come off the front of a receive buffer; a length above the cap
// is refused before any of it arrives.
void tst_CoreWire::frameSplitter_data()
{
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<QString>("taken"); // payloads taken, then how it stopped
    QTest::addColumn<int>("left");

    const QByteArray one = Frame::encode(Frame::Reply{"A", {}});
    QTest::newRow("two frames and a half")
        << one + one + one.left(5) << "9 9 need" << 5;
    QTest::newRow("length cut short") << QByteArray(3, '\0') << "need" << 3;
    QTest::newRow("empty frame") << QByteArray(4, '\0') << "0 need" << 0;
    QTest::newRow("the cap itself waits") << ints({int(Frame::MaxSize)}) << "need" << 4;
    QTest::newRow("one past the cap") << ints({int(Frame::MaxSize) + 1}) << "too large" << 4;
    QTest::newRow("four gigabytes") << hex("FFFFFFFF") << "too large" << 4;
}

void tst_CoreWire::frameSplitter()
{
    QFETCH(QByteArray, buffer);
    QFETCH(QString, taken);
    QFETCH(int, left);
    QStringList got;
    QByteArray payload;
    for (;;) {
        const Frame::Splitter::Result result = Frame::Splitter::take(buffer, &payload);
        if (result == Frame::Splitter::Complete) {
            got << QString::number(payload.size());
            continue;
        }
        got << (result == Frame::Splitter::NeedMore ? "need" : "too large");
        break;
    }
    QCOMPARE(got.join(' '), taken);
    QCOMPARE(buffer.size(), left);
}

void tst_CoreWire::deviationText_data()
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

void tst_CoreWire::deviationText()
{
    QFETCH(int, seconds);
    QFETCH(QString, text);
    QCOMPARE(LiveMessages::deviationText(seconds), text);
}

void tst_CoreWire::endpoint_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("anyPort");
    QTest::addColumn<QString>("parsed"); // "host port", or empty when refused

    QTest::newRow("name and port") << "localhost:47800" << false << "localhost 47800";
    QTest::newRow("bracketed v6") << "[::1]:47800" << false << "::1 47800";
    QTest::newRow("v6 without brackets: ambiguous") << "::1:47800" << false << "";
    QTest::newRow("port too high") << "h:65536" << false << "";
    QTest::newRow("port 0 for a peer") << "h:0" << false << "";
    QTest::newRow("port 0 to listen on any") << "h:0" << true << "h 0";
    QTest::newRow("signed port") << "h:+80" << false << "";
    QTest::newRow("blank in the port") << "h: 80" << false << "";
    QTest::newRow("no port") << "h:" << true << "";
    QTest::newRow("no host") << ":80" << false << "";
    QTest::newRow("unclosed bracket") << "[::1:80" << false << "";
}

void tst_CoreWire::endpoint()
{
    QFETCH(QString, text);
    QFETCH(bool, anyPort);
    QFETCH(QString, parsed);
    const std::optional<Endpoint> endpoint = Endpoint::parse(text, anyPort);
    QCOMPARE(endpoint ? endpoint->host + ' ' + QString::number(endpoint->port) : QString(),
             parsed);
}

QTEST_MAIN(tst_CoreWire)
#include "tst_core_wire.moc"
