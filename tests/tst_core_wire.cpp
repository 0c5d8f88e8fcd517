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
#include "wire/UnitMessages.h"

#include <QFile>
#include <QPixmap>
#include <QtTest>

#include <climits>
#include <functional>
#include <memory>

#include <sys/resource.h>

namespace {

QTestData &row(const char *name)
{
    return QTest::newRow(name);
}

// Bodies spelled as hex; spaces only group the fields.
QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
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
    write(reading(out));
    return body;
}

// Values in the wire's stream form; words() as big-endian 32-bit words.
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

// A section with a null name, no objects or times and the given id.
QByteArray bareSection(qint32 id)
{
    return words(id, -1, 0, -1, -1) + hex("01 01") + words(0, 0, 0, 0);
}

// Peak resident size and peak address space (which also sees memory reserved
// but never touched), in KiB.
QPair<qint64, qint64> peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    const QByteArray text = status.readAll();
    const int at = text.indexOf("VmPeak:") + 7;
    return {usage.ru_maxrss, text.mid(at, text.indexOf(" kB", at) - at).trimmed().toLongLong()};
}

QByteArray record(const GraphObData &data)
{
    return written([&](QDataStream &out) { WriteGraphObData(out, data); });
}

// One property map entry whose value is already encoded.
QByteArray entry(const QString &key, quint32 typeId, const QByteArray &value)
{
    return wire(key, typeId, qint8(0)) + value;
}

// What a reader made of a body, as text.
using Reader = std::function<QString(const QByteArray &)>;

// "objects n, sections id:object id ..., max id"
QString routeText(const QByteArray &body)
{
    QDataStream in(body);
    QScopedPointer<RouteRecord> route(RouteMessages::readRoute(reading(in)));
    QStringList got{QString("objects %1, sections").arg(route->objects.size())};
    for (const SectionRecord *section : qAsConst(route->sections)) {
        got << QString::number(section->id);
        for (int id : section->graphObjectIds)
            got.last() += ':' + QString::number(id);
    }
    return got.join(' ') + QString(", max %1").arg(route->maxSectionId);
}

// "time: route ids"
QString checkModeText(const QByteArray &body)
{
    QDataStream in(body);
    const auto reply = RouteMessages::readCheckModeReply(reading(in));
    QStringList got{QString::number(reply.checkTime) + ':'};
    for (int id : reply.routeIds)
        got << QString::number(id);
    return got.join(' ');
}

// "route id: section id=state ..."
QString statesText(const QByteArray &body)
{
    QDataStream in(body);
    const auto reply = RouteMessages::readSectionsState(reading(in));
    QStringList got{QString::number(reply.routeId) + ':'};
    for (const RouteMessages::SectionState &s : reply.states)
        got << QString("%1=%2").arg(s.sectionId).arg(s.state);
    return got.join(' ');
}

// A layer record as "points | properties in map order | stream status".
QString layerText(const QByteArray &bytes, QDataStream::Status before)
{
    QDataStream in(bytes);
    reading(in).setStatus(before);
    const std::unique_ptr<GraphObData> data(ReadGraphObData(in));
    QStringList got;
    for (const QPoint &p : qAsConst(data->points))
        got << QString("%1,%2").arg(p.x()).arg(p.y());
    got << "|";
    for (auto it = data->properties.cbegin(); it != data->properties.cend(); ++it)
        got << it.key() + '=' + it.value().toString();
    const char *status[] = {"ok", "past end", "corrupt", "write failed"};
    return (got << "|" << status[in.status()]).join(' ');
}

// A strict reader: "refused", or "read" when what it read is written again as
// the same bytes.
template <typename Read, typename Write>
Reader strict(Read read, Write write)
{
    return [read, write](const QByteArray &body) -> QString {
        const auto value = read(body);
        return !value ? "refused" : write(*value) == body ? "read" : "written otherwise";
    };
}

// The payload sizes cut off a receive buffer, how it stopped and the bytes
// left; a splitter that never stops is cut off after a few frames.
QString splitText(QByteArray buffer)
{
    QStringList taken;
    QByteArray payload;
    Frame::Splitter::Result result = Frame::Splitter::Complete;
    while (taken.size() < 5
           && (result = Frame::Splitter::take(buffer, &payload)) == Frame::Splitter::Complete)
        taken << QString::number(payload.size());
    const bool need = result == Frame::Splitter::NeedMore;
    taken << (result == Frame::Splitter::Complete ? "..." : need ? "need" : "too large");
    return taken.join(' ') + QString(", %1 left").arg(buffer.size());
}

} // namespace

Q_DECLARE_METATYPE(Reader)

class tst_CoreWire : public QObject
{
    Q_OBJECT

private slots:
    // Written byte for byte (derived values left stale: they are not on the
    // wire), read back and copied; on reading, the schedule is on exactly when
    // both times are set and the delay is how much later the exit is.
    void sectionBytes_data()
    {
        QTest::addColumn<SectionRecord>("section"); // as read
        QTest::addColumn<QByteArray>("bytes");

        // id, name, objects, in, out, delay, in ahead, in behind, out ahead,
        // out behind, message in, message out, schedule on, state
        row("null name, in at 0 counts as set")
            << SectionRecord{5, {}, {7}, 0, 20, 20, 1, 2, 3, 4, true, false, true, 0}
            << words(5, -1, 1, 7, 0, 20) + hex("01 00") + words(1, 2, 3, 4);
        row("empty name, out before in: no delay")
            << SectionRecord{6, "", {}, 100, 50, 0, 0, 0, 0, 0, true, true, true, 0}
            << words(6, 0, 0, 100, 50) + hex("01 01") + words(0, 0, 0, 0);
        row("cyrillic name in UTF-16 big-endian, negative values, in unset: off")
            << SectionRecord{-1, "Пост", {-2, 3}, -1, 3600, 0, -5, 0, 0x01020304, -256,
                             false, true, false, 0}
            << hex("FFFFFFFF 00000008 041F 043E 0441 0442 00000002 FFFFFFFE 00000003"
                   "FFFFFFFF 00000E10 00 01 FFFFFFFB 00000000 01020304 FFFFFF00");
    }

    void sectionBytes()
    {
        QFETCH(SectionRecord, section);
        QFETCH(QByteArray, bytes);
        SectionRecord stale = section;
        stale.checkScheduleOn = !stale.checkScheduleOn, stale.delayInto = 4242, stale.state = 7;
        const QByteArray body = written([&](QDataStream &out) {
            RouteMessages::writeSection(out, stale);
        });
        QCOMPARE(body.toHex(' '), bytes.toHex(' '));

        QDataStream in(bytes);
        QScopedPointer<SectionRecord> read(RouteMessages::readSection(reading(in)));
        QVERIFY(in.atEnd());
        QVERIFY(*read == section);
        QVERIFY(*QScopedPointer<SectionRecord>(read->copy()) == section);

        // A save is measured against the tree's limit by what writing its route takes.
        RouteRecord route(3);
        route.objects = {1, 2};
        route.sections << new SectionRecord(section) << new SectionRecord(section);
        QCOMPARE(RouteMessages::routeWireSize(route),
                 qint64(written([&](QDataStream &out) { RouteMessages::writeRoute(out, route); })
                            .size()));
    }

    // Bodies the plug-in sends, byte for byte.
    void writtenBytes_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("bytes");

        RouteRecord route(12);
        route.objects = {3};
        route.sections.append(
            new SectionRecord{1, "A", {}, -1, -1, 0, 0, 0, 0, 0, true, true, false, 0});
        row("new route: node id in front")
            << written([&](QDataStream &out) { RouteMessages::writeSaveEntry(out, 12, route); })
            << words(12, 12, 0, 1, 0, 0, 1, 3, 1)
                   + hex("00000001 00000002 0041 00000000 FFFFFFFF FFFFFFFF 01 01")
                   + words(0, 0, 0, 0);
        row("save end, one deletion")
            << written([](QDataStream &out) { RouteMessages::writeSaveEnd(out, {42}); })
            << words(-1, 1, 42);
        row("check on, two routes") << RouteMessages::checkModeRequest(1, {5, -2})
            << words(1, 2, 5, -2);
        row("sections state") << RouteMessages::sectionsStateBody(5, {{1, 2}, {7, 1}})
            << words(5, 1, 2, 7, 1, 0);

        // Trees: node count, then id, name, bits, the children as a tree, the payload.
        TreeNode leaf{4, "B", 3, {}, RouteRecord(4), {}};
        TreeNode group{2, "A", 1, {leaf}, std::nullopt, {}};
        row("rule tree: a group over a route") << TreeBodies::ruleTree({group})
            << words(1, 2, 2) + hex("0041") + words(1, 1, 4, 2) + hex("0042") + words(3, 0)
                   + hex("01") + words(4, 0, 1, 0, 0, 0, 0) + hex("00");
        group.children.clear();
        group.objects = {GraphObData{17, 2, "L", {{1, -2}}, {{"Width", 30}}}};
        row("layer tree: a record, type code before id") << TreeBodies::layerTree({group})
            << words(1, 2, 2) + hex("0041") + words(1, 0, 1, 2, 17, 2) + hex("004c")
                   + words(1, 1, -2, 1) + hex("0000000a 0057006900640074006800000002 00 0000001e");
        row("object tree: no payload")
            << TreeBodies::objectTree({TreeNode{7, QString(), 2, {}, std::nullopt, {}}})
            << words(1, 7, -1, 2, 0);
        row("request frame: length, server, command, body")
            << Frame::encode(Frame::Request{"S", "C", QByteArray("\x01", 1)})
            << words(15, 1) + "S" + words(1) + "C" + words(1) + hex("01");
        row("positions: count, then unit, time, x, y")
            << LiveMessages::positionsBody({{7, 4000000000u, QPoint(-1, 2)}})
            << words(1, 7, 4000000000u, -1, 2);
    }

    void writtenBytes()
    {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, bytes);
        QCOMPARE(body.toHex(' '), bytes.toHex(' '));
    }

    // Every plain value type the record reader accepts comes back as written:
    // fields, value types and values, byte for byte.
    void layerRecordRoundTrip()
    {
        const QVariantMap values{
            {"int", -7}, {"long long", qint64(-1099511627776)}, {"double", 2.5}, {"bool", true},
            {"text", QStringLiteral("Bridge \u2116 5")}, {"null text", QString()},
            {"colour with alpha", QColor(10, 20, 30, 40)}, {"invalid colour", QColor()},
            {"extended colour", QColor(10, 20, 30).toExtendedRgb()},
            {"bytes", QByteArray("\0\1\2", 3)}, {"string list", QStringList{"a", "", "c"}},
            {"point", QPoint(-5, 6)}, {"invalid", QVariant()},
            {"date and time", QDateTime(QDate(2014, 3, 9), QTime(8, 0), Qt::UTC)}};
        const QByteArray bytes = record({41, 3, "Yard", {{1, 2}, {-1, INT_MIN}}, values});
        QDataStream in(bytes);
        const std::unique_ptr<GraphObData> data(ReadGraphObData(reading(in)));
        QCOMPARE(in.status(), QDataStream::Ok);
        QVERIFY(in.atEnd());
        QCOMPARE(data->properties.size(), values.size());
        QCOMPARE(record(*data).toHex(), bytes.toHex());
    }

    // What every reader makes of its input; no count from the wire sizes
    // memory. Server bodies are read as far as they go: a body that ends early
    // keeps what was read before it.
    void readers_data()
    {
        QTest::addColumn<Reader>("reader");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("read");

        // A route head without objects, a section count and sections of those ids.
        const Reader route = routeText;
        row("route: largest id not last") << route
            << words(10, 0, 1, 0, 0, 0, 3) + bareSection(3) + bareSection(7) + bareSection(5)
            << "objects 0, sections 3 7 5, max 7";
        row("route: object count 0xFFFFFFFF") << route << words(1, 0, 1, 0, 0, -1, 7, 8)
            << "objects 2, sections, max 0";
        row("route: section count 0x7FFFFFFF") << route << words(1, 0, 1, 0, 0, 0, 0x7FFFFFFF, 3)
            << "objects 0, sections 3, max 3";
        row("route: section object count 0x0FFFFFFF") << route
            << words(1, 0, 1, 0, 0, 0, 1, 1, -1, 0x0FFFFFFF, 9) << "objects 0, sections 1:9, max 1";

        const Reader mode = checkModeText; // the time is unsigned
        row("mode: two routes") << mode << words(0x80000001u, 2, 3, 4) << "2147483649: 3 4";
        row("mode: count 5, body ends after 2") << mode << words(1, 5, 11, 12) << "1: 11 12";
        const Reader states = statesText; // a section id <= 0 ends the body
        row("states: any value kept, rest ignored") << states << words(7, 3, 9, 4, -1, 0, 3, 1)
            << "7: 3=9 4=-1";

        // Layer records after a head. A map that fails part-way is emptied, and
        // the stream keeps the status it came in with when that was already a
        // failure. Values that would run code or allocate on the wire's word
        // fail the stream, and the whole map goes, not just the bad value.
        const QByteArray head = wire(qint32(2), qint32(9), QStringLiteral("v"));
        const Reader layer = [head](const QByteArray &b) {
            return layerText(head + b, QDataStream::Ok);
        };
        row("layer: count 3, second cut in half") << layer << words(3, 5, 6, 7)
            << "5,6 | | past end";
        const QByteArray width = entry("Width", 2, words(80));
        const QByteArray comment = entry("Comment", 10, hex("00000002 0041"));
        row("layer: map ends inside a value: emptied") << layer
            << words(0, 2) + width + comment.chopped(2) << "| | past end";
        const QByteArray good = words(0, 2) + comment + wire(QStringLiteral("Zeta"));
        row("layer: pixmap") << layer << good + wire(QVariant::fromValue(QPixmap(2, 2)))
            << "| | corrupt";
        row("layer: map of variants") << layer << good + wire(QVariant(QVariantMap{{"a", 1}}))
            << "| | corrupt";
        row("layer: user type by name") << layer << good + words(127) + hex("00000000045150656e")
            << "| | corrupt";
        row("layer: 0xFFFFFFFF vertices") << layer << words(0xFFFFFFFF, 1, 2, 3)
            << "1,2 | | past end";
        row("layer: 0x0FFFFFFF properties") << layer << words(0, 0x0FFFFFFF) + width
            << "| | past end";
        row("layer: string list of 0x0FFFFFFF strings") << layer
            << words(0, 1) + entry("k", 11, words(0x0FFFFFFF, 0)) << "| | past end";

        // The host-level bodies and the frames are read strictly: exactly what
        // the writer would write again, or nothing. A frame length above the
        // cap is refused before any of the frame arrives.
        using namespace LiveMessages;
        const Reader positions = strict(readPositions, positionsBody);
        const QByteArray two = positionsBody({{7, 1700000000u, QPoint(376000000, -556000000)},
                                              {8, 1700000001u, QPoint(-1, 1)}});
        row("positions: two") << positions << two << "read";
        row("positions: count of four billion") << positions << words(0xFFFFFFFFu, 7) << "refused";
        row("positions: a byte left over") << positions << two + '\0' << "refused";

        // Past 2038 (the time is unsigned); a null name stays null, so that the
        // host shows the unit's id.
        const Reader events = strict(readEvents, eventsBody);
        const auto event = [](const QString &name) {
            return CheckEvent{9, 4000000000u, 11, "Beat", 2, {}, 7, name, CheckEvent::TimeIn, -130};
        };
        row("events: one named, one not") << events << eventsBody({event("Car 11"), event({})})
            << "read";
        row("events: count past the body") << events << words(2, 1) << "refused";
        row("events: name length past the body") << events
            << words(1, 1, 0, 1, 0x7FFFFFF0u) + QByteArray(40, 'x') << "refused";

        namespace U = UnitMessages;
        const Reader units = strict(U::readUnits, U::unitsBody);
        const QByteArray fleet = U::unitsBody({{7, 2, "C", "dev1", true, 1u, {-1, 2}, {3.5}}, {}});
        row("units: two") << units << fleet << "read";
        row("units: cut short") << units << fleet.chopped(1) << "refused";
        row("units: count past the body") << units << words(3) + fleet.mid(4) << "refused";
        row("new node: kind 2") << strict(U::readNewNode, U::newNodeBody)
            << wire(0, QString("g"), 2) << "refused";

        const Reader request = strict(readEventsRequest, eventsRequestBody);
        row("events request") << request << eventsRequestBody(25) << "read";
        row("events request: long") << request << words(25, 0) << "refused";

        const auto payload = [](const auto &message) { return Frame::encode(message).mid(4); };
        const Reader requestFrame = strict(Frame::decodeRequest, payload);
        const QByteArray sent = payload(Frame::Request{"S", "C", "body"});
        row("request frame") << requestFrame << sent << "read";
        row("request frame: a byte left over") << requestFrame << sent + 'x' << "refused";
        row("reply frame") << strict(Frame::decodeReply, payload)
            << payload(Frame::Reply{"C", "body"}) << "read";

        const Reader split = splitText;
        const QByteArray one = Frame::encode(Frame::Reply{"A", {}});
        row("splitter: two frames, the second filling the buffer") << split << one + one
            << "9 9 need, 0 left";
        row("splitter: the cap itself waits") << split << words(Frame::MaxSize) << "need, 4 left";
        row("splitter: one past the cap") << split << words(Frame::MaxSize + 1)
            << "too large, 4 left";

        // Minutes are rounded away from zero; on time has no sign.
        const Reader deviation = [](const QByteArray &seconds) {
            return deviationText(seconds.toInt());
        };
        row("deviation: on time") << deviation << QByteArray("0") << "0 min";
        row("deviation: a second late") << deviation << QByteArray("1") << "+1 min";
        row("deviation: just over two minutes early") << deviation << QByteArray("-121")
            << "-3 min";
        row("deviation: the earliest") << deviation << QByteArray::number(INT_MIN)
            << "-35791395 min";

        // "host port", for a peer or to listen on (where port 0 is any port).
        const auto endpoint = [](bool anyPort) -> Reader {
            return [anyPort](const QByteArray &text) {
                const std::optional<Endpoint> parsed = Endpoint::parse(text, anyPort);
                return parsed ? parsed->host + ' ' + QString::number(parsed->port) : "refused";
            };
        };
        const Reader peer = endpoint(false);
        row("endpoint: bracketed v6") << peer << QByteArray("[::1]:47800") << "::1 47800";
        row("endpoint: v6 without brackets") << peer << QByteArray("::1:47800") << "refused";
        row("endpoint: port too high") << peer << QByteArray("h:65536") << "refused";
        row("endpoint: port 0 for a peer") << peer << QByteArray("h:0") << "refused";
        row("endpoint: port 0 to listen on any") << endpoint(true) << QByteArray("h:0") << "h 0";

        // Tree replies are read strictly, to the end, at most TreeBodies::MaxDepth deep.
        using TreeBodies::Payload;
        const auto tree = [](Payload payload) {
            const auto write = payload == Payload::Rule    ? TreeBodies::ruleTree
                               : payload == Payload::Layer ? TreeBodies::layerTree
                                                           : TreeBodies::objectTree;
            return strict([payload](const QByteArray &b) { return TreeBodies::read(b, payload); },
                          write);
        };
        RouteRecord carried(4);
        carried.objects = {7, 8};
        carried.sections << new SectionRecord{3, "S", {5, 6}, 60, 120, 0, 1, 2, 3, 4,
                                              false, true, true, 0};
        const TreeNode routeNode{4, "R", 3, {}, carried, {}};
        const QByteArray rules = TreeBodies::ruleTree({{2, "G", 1, {routeNode}, {}, {}}});
        row("rule tree") << tree(Payload::Rule) << rules << "read";
        row("rule tree: cut short") << tree(Payload::Rule) << rules.chopped(1) << "refused";
        row("rule tree: a byte left over") << tree(Payload::Rule) << rules + '\0' << "refused";
        const GraphObData shape{9, 3, "P", {{1, 2}, {3, 4}, {5, 6}}, {{"Color", QColor(1, 2, 3)}}};
        const QByteArray layers = TreeBodies::layerTree({{2, "L", 3, {}, {}, {shape, shape}}});
        row("layer tree") << tree(Payload::Layer) << layers << "read";
        row("layer tree: as a rule tree") << tree(Payload::Rule) << layers << "refused";
        row("layer tree: one object fewer than counted") << tree(Payload::Layer)
            << layers.left(layers.size() - record(shape).size()) << "refused";
        row("tree: count past the body") << tree(Payload::None) << words(1000, 1, 0) << "refused";
        const auto nested = [](int levels) {
            TreeNode node{levels, "n", 1, {}, {}, {}};
            for (int level = levels - 1; level > 0; --level)
                node = TreeNode{level, "n", 1, {node}, {}, {}};
            return TreeBodies::objectTree({node});
        };
        row("tree: as deep as may be") << tree(Payload::None)
            << nested(TreeBodies::MaxDepth - 1) << "read";
        row("tree: one level deeper") << tree(Payload::None) << nested(TreeBodies::MaxDepth)
            << "refused";
    }

    void readers()
    {
        QFETCH(Reader, reader);
        QFETCH(QByteArray, body);
        QFETCH(QString, read);
        const QPair<qint64, qint64> before = peakKiB();
        QVERIFY(before.first > 0 && before.second > 0);
        QCOMPARE(reader(body), read);
        const qint64 resident = peakKiB().first - before.first;
        const qint64 address = peakKiB().second - before.second;
        QVERIFY2(resident < 8 * 1024 && address < 256 * 1024,
                 qPrintable(QString("grew %1 KiB resident, %2 KiB address space")
                                .arg(resident).arg(address)));
    }
};

QTEST_MAIN(tst_CoreWire)
#include "tst_core_wire.moc"
