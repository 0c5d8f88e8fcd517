#include "graphobj/GraphObData.h"
#include "graphobj/GraphObLine.h"

#include <QBuffer>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QRegExp>
#include <QSize>
#include <QtTest>

#include <sys/resource.h>

#include <limits>
#include <memory>

Q_DECLARE_METATYPE(QDataStream::Status)

namespace {

using Points = QList<QPoint>;

QDataStream &open(QDataStream &stream)
{
    stream.setVersion(QDataStream::Qt_4_5);
    return stream;
}

// The record's head in wire order: type code, id, name.
QByteArray head(qint32 type, qint32 id, const QString &name)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    open(out) << type << id << name;
    return bytes;
}

QByteArray words(std::initializer_list<quint32> values)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    for (quint32 value : values)
        open(out) << value;
    return bytes;
}

QByteArray record(const GraphObData &data)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    WriteGraphObData(open(out), data);
    return bytes;
}

GraphObData sample(const QVariantMap &properties, const Points &points = {{1, 2}, {-3, 4}})
{
    GraphObData data;
    data.type = 3;
    data.id = 41;
    data.name = QStringLiteral("Yard");
    data.points = points;
    data.properties = properties;
    return data;
}

// One property map entry in Qt's stream form, with the value already encoded.
QByteArray entry(const QString &key, quint32 typeId, const QByteArray &value)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    open(out) << key << typeId << qint8(0);
    return bytes + value;
}

struct Reading
{
    std::unique_ptr<GraphObData> data;
    QDataStream::Status status;
    bool atEnd;
};

Reading read(const QByteArray &bytes, QDataStream::Status before = QDataStream::Ok)
{
    QDataStream in(bytes);
    open(in);
    in.setStatus(before);
    Reading reading;
    reading.data.reset(ReadGraphObData(in));
    reading.status = in.status();
    reading.atEnd = in.atEnd();
    return reading;
}

qint64 peakRssKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Peak address space, which also sees memory reserved but never touched.
qint64 peakVmKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmPeak:"))
            return line.mid(7).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

} // namespace

class tst_GraphReader : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void writtenBytes();
    void handMadeValues_data();
    void handMadeValues();
    void vertices_data();
    void vertices();
    void propertyMap_data();
    void propertyMap();
    void unsafeValues_data();
    void unsafeValues();
    void repeatedKey();
    void recordThenObject_data();
    void recordThenObject();
    void claimsCostNothing_data();
    void claimsCostNothing();
};

void tst_GraphReader::roundTrip_data()
{
    QTest::addColumn<QVariant>("value");

    QTest::newRow("int") << QVariant(-7);
    QTest::newRow("uint") << QVariant(4000000000u);
    QTest::newRow("long long") << QVariant(qint64(-1099511627776));
    QTest::newRow("unsigned long long") << QVariant(quint64(1) << 63);
    QTest::newRow("double") << QVariant(2.5);
    QTest::newRow("bool") << QVariant(true);
    QTest::newRow("text") << QVariant(QStringLiteral("Bridge \u2116 5"));
    QTest::newRow("null text") << QVariant(QString());
    QTest::newRow("colour with alpha") << QVariant(QColor(10, 20, 30, 40));
    QTest::newRow("invalid colour") << QVariant(QColor());
    QTest::newRow("bytes") << QVariant(QByteArray("\0\1\2", 3));
    QTest::newRow("string list") << QVariant(QStringList{"a", "", "c"});
    QTest::newRow("point") << QVariant(QPoint(-5, 6));
    QTest::newRow("real point") << QVariant(QPointF(0.5, -1.25));
    QTest::newRow("date") << QVariant(QDate(2014, 3, 9));
    QTest::newRow("time") << QVariant(QTime(23, 59, 58, 120));
    QTest::newRow("date and time") << QVariant(QDateTime(QDate(2014, 3, 9), QTime(8, 0), Qt::UTC));
    QTest::newRow("invalid") << QVariant();
}

void tst_GraphReader::roundTrip()
{
    QFETCH(QVariant, value);
    const GraphObData data = sample(QVariantMap{{"Value", value}, {"Comment", "note"}});
    const Reading reading = read(record(data));
    QCOMPARE(reading.status, QDataStream::Ok);
    QVERIFY(reading.atEnd);
    QCOMPARE(reading.data->type, 3);
    QCOMPARE(reading.data->id, 41);
    QCOMPARE(reading.data->name, QStringLiteral("Yard"));
    QCOMPARE(reading.data->points, (Points{{1, 2}, {-3, 4}}));
    QCOMPARE(reading.data->properties.size(), 2);
    const QVariant got = reading.data->properties.value("Value");
    QCOMPARE(got.userType(), value.userType());
    QCOMPARE(got, value);
}

void tst_GraphReader::writtenBytes()
{
    GraphObData data;
    data.type = 2;
    data.id = 17;
    data.name = QStringLiteral("L");
    data.points = Points{{1, -2}};
    data.properties = QVariantMap{{"Width", 30}};
    const QByteArray expected = QByteArray::fromHex(
        "00000002" "00000011"            // type code first, then the id
        "00000002" "004c"                // "L"
        "00000001" "00000001" "fffffffe" // one vertex
        "00000001"                       // one property
        "0000000a" "005700690064007400680000000200" "0000001e"); // "Width": int 30
    QCOMPARE(record(data).toHex(), expected.toHex());
}

void tst_GraphReader::handMadeValues_data()
{
    QTest::addColumn<quint32>("typeId");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QVariant>("expected");

    QTest::newRow("int 42") << 2u << QByteArray::fromHex("0000002a") << QVariant(42);
    QTest::newRow("bool") << 1u << QByteArray::fromHex("01") << QVariant(true);
    QTest::newRow("red: colour kind, alpha, r, g, b, pad")
        << 67u << QByteArray::fromHex("01ffffffff000000000000") << QVariant(QColor(Qt::red));
    QTest::newRow("text") << 10u << QByteArray::fromHex("000000020041") << QVariant("A");
    QTest::newRow("colour name text") << 10u << QByteArray::fromHex("00000006007200650064")
                                      << QVariant("red");
    QTest::newRow("invalid reads Qt 4's empty text") << 0u << QByteArray::fromHex("00000000")
                                                     << QVariant();
}

void tst_GraphReader::handMadeValues()
{
    QFETCH(quint32, typeId);
    QFETCH(QByteArray, value);
    QFETCH(QVariant, expected);
    const QByteArray bytes = head(4, 1, "c") + words({0, 2}) + entry("Color", typeId, value)
                             + entry("Comment", 10, QByteArray::fromHex("00000000"));
    const Reading reading = read(bytes);
    QCOMPARE(reading.status, QDataStream::Ok);
    QVERIFY(reading.atEnd);
    QCOMPARE(reading.data->properties.value("Color"), expected);
    QCOMPARE(reading.data->properties.value("Comment"), QVariant(QString("")));
}

void tst_GraphReader::vertices_data()
{
    QTest::addColumn<QByteArray>("body"); // after the head
    QTest::addColumn<Points>("points");
    QTest::addColumn<QDataStream::Status>("status");

    const QByteArray one = words({5, 6});
    QTest::newRow("count 3, body ends after the first")
        << words({3}) + one << Points{{5, 6}} << QDataStream::ReadPastEnd;
    QTest::newRow("count 3, second cut in half")
        << words({3}) + one + words({7}) << Points{{5, 6}} << QDataStream::ReadPastEnd;
    QTest::newRow("count 0xFFFFFFFF on a 12-byte body")
        << words({0xFFFFFFFF}) + one + words({7}) << Points{{5, 6}} << QDataStream::ReadPastEnd;
    QTest::newRow("count 2 on nothing") << words({2}) << Points() << QDataStream::ReadPastEnd;
    QTest::newRow("no count") << QByteArray() << Points() << QDataStream::ReadPastEnd;
    QTest::newRow("count 0, no map") << words({0}) << Points() << QDataStream::ReadPastEnd;
    QTest::newRow("whole list, empty map") << words({2}) + one + words({7, 8, 0})
                                           << Points{{5, 6}, {7, 8}} << QDataStream::Ok;
    QTest::newRow("negative coordinates") << words({1, 0xFFFFFFFF, 0x80000000, 0})
                                          << Points{{-1, std::numeric_limits<int>::min()}}
                                          << QDataStream::Ok;
}

void tst_GraphReader::vertices()
{
    QFETCH(QByteArray, body);
    QFETCH(Points, points);
    QFETCH(QDataStream::Status, status);
    const Reading reading = read(head(2, 9, "v") + body);
    QCOMPARE(reading.data->points, points);
    QCOMPARE(reading.data->name, QStringLiteral("v"));
    QVERIFY(reading.data->properties.isEmpty());
    QCOMPARE(reading.status, status);
}

void tst_GraphReader::propertyMap_data()
{
    QTest::addColumn<QByteArray>("map");
    QTest::addColumn<QDataStream::Status>("before");
    QTest::addColumn<int>("size");
    QTest::addColumn<QDataStream::Status>("after");

    const QByteArray width = entry("Width", 2, QByteArray::fromHex("00000050"));
    const QByteArray text = entry("Comment", 10, QByteArray::fromHex("000000020041"));
    QTest::newRow("two entries") << words({2}) + width + text << QDataStream::Ok << 2
                                 << QDataStream::Ok;
    QTest::newRow("ends after one of two: emptied") << words({2}) + width << QDataStream::Ok << 0
                                                    << QDataStream::ReadPastEnd;
    QTest::newRow("ends inside a value: emptied") << words({2}) + width + text.chopped(2)
                                                  << QDataStream::Ok << 0
                                                  << QDataStream::ReadPastEnd;
    QTest::newRow("ends early: earlier status restored")
        << words({2}) + width << QDataStream::ReadCorruptData << 0 << QDataStream::ReadCorruptData;
    QTest::newRow("whole map read on a failed stream, status kept")
        << words({2}) + width + text << QDataStream::ReadCorruptData << 2
        << QDataStream::ReadCorruptData;
    QTest::newRow("count 0xFFFFFFFF on one entry")
        << words({0xFFFFFFFF}) + width << QDataStream::Ok << 0 << QDataStream::ReadPastEnd;
    QTest::newRow("odd text length is corrupt")
        << words({1}) + entry("Comment", 10, QByteArray::fromHex("0000000300410042"))
        << QDataStream::Ok << 0 << QDataStream::ReadCorruptData;
}

void tst_GraphReader::propertyMap()
{
    QFETCH(QByteArray, map);
    QFETCH(QDataStream::Status, before);
    QFETCH(int, size);
    QFETCH(QDataStream::Status, after);
    const Reading reading = read(head(2, 9, "m") + words({1, 10, 20}) + map, before);
    QCOMPARE(reading.data->points, (Points{{10, 20}}));
    QCOMPARE(reading.data->properties.size(), size);
    QCOMPARE(reading.status, after);
    if (size)
        QCOMPARE(reading.data->properties.value("Width"), QVariant(80));
}

void tst_GraphReader::unsafeValues_data()
{
    QTest::addColumn<QByteArray>("value"); // in Qt 4's QVariant form

    auto encode = [](const QVariant &value) {
        QByteArray bytes;
        QDataStream out(&bytes, QIODevice::WriteOnly);
        open(out) << value;
        return bytes;
    };
    QTest::newRow("pixmap") << encode(QVariant::fromValue(QPixmap(2, 2)));
    QTest::newRow("image") << encode(QVariant::fromValue(QImage(2, 2, QImage::Format_RGB32)));
    QTest::newRow("map of variants") << encode(QVariantMap{{"a", 1}});
    QTest::newRow("list of variants") << encode(QVariantList{1, 2});
    QTest::newRow("float") << encode(1.5f);
    QTest::newRow("regular expression") << encode(QRegExp("a+"));
    QTest::newRow("size") << encode(QSize(1, 2));
    QTest::newRow("user type by name") << words({127}) + QByteArray::fromHex("00000000045150656e");
    QTest::newRow("unknown type id") << words({999}) + QByteArray::fromHex("00");
}

void tst_GraphReader::unsafeValues()
{
    QFETCH(QByteArray, value);
    // A good entry first: the whole map goes, not just the bad value.
    QByteArray bytes = head(2, 9, "u") + words({0, 2})
                       + entry("Comment", 10, QByteArray::fromHex("000000020041"));
    QByteArray key;
    QDataStream out(&key, QIODevice::WriteOnly);
    open(out) << QStringLiteral("Zeta");
    const Reading reading = read(bytes + key + value);
    QVERIFY(reading.data->properties.isEmpty());
    QCOMPARE(reading.status, QDataStream::ReadCorruptData);
}

void tst_GraphReader::repeatedKey()
{
    const QByteArray bytes = head(2, 9, "r") + words({0, 3})
                             + entry("Width", 2, QByteArray::fromHex("0000000a"))
                             + entry("Color", 10, QByteArray::fromHex("00000000"))
                             + entry("Width", 2, QByteArray::fromHex("00000014"));
    const Reading reading = read(bytes);
    const QVariantMap &properties = reading.data->properties;
    QCOMPARE(properties.size(), 3);
    QCOMPARE(properties.count("Width"), 2);
    QCOMPARE(properties.value("Width"), QVariant(20));
    // Written back and read again, the map is the same, lookup included.
    const Reading again = read(record(*reading.data));
    QCOMPARE(again.data->properties, properties);
    QCOMPARE(again.data->properties.value("Width"), QVariant(20));
    // And a line made from it takes the last value too.
    const std::unique_ptr<GraphObject> object(CreateGraphObject(*again.data));
    QCOMPARE(qobject_cast<GraphObLine *>(object.get())->width, 20);
}

void tst_GraphReader::recordThenObject_data()
{
    QTest::addColumn<qint32>("type");
    QTest::addColumn<bool>("made");

    QTest::newRow("Cone is read in full and dropped") << 5 << false;
    QTest::newRow("Abstract is read in full and dropped") << 0 << false;
    QTest::newRow("line is made") << 2 << true;
}

void tst_GraphReader::recordThenObject()
{
    QFETCH(qint32, type);
    QFETCH(bool, made);
    GraphObData data = sample(QVariantMap{{"Color", "#102030"}});
    data.type = type;
    // Two records back to back: the first is consumed exactly.
    const QByteArray bytes = record(data) + record(sample(QVariantMap()));
    QDataStream in(bytes);
    open(in);
    const std::unique_ptr<GraphObData> first(ReadGraphObData(in));
    const std::unique_ptr<GraphObData> second(ReadGraphObData(in));
    QCOMPARE(first->type, type);
    QCOMPARE(first->properties.size(), 1);
    QCOMPARE(second->name, QStringLiteral("Yard"));
    QCOMPARE(second->points.size(), 2);
    QVERIFY(in.atEnd());
    const std::unique_ptr<GraphObject> object(CreateGraphObject(*first));
    QCOMPARE(object != nullptr, made);
}

void tst_GraphReader::claimsCostNothing_data()
{
    QTest::addColumn<QByteArray>("body"); // after the head

    const QByteArray tail = words({1, 2, 3});
    QTest::newRow("0x0FFFFFFF vertices") << words({0x0FFFFFFF}) + tail;
    QTest::newRow("0x07FFFFFF vertices") << words({0x07FFFFFF}) + tail;
    QTest::newRow("0xFFFFFFFF vertices") << words({0xFFFFFFFF}) + tail;
    QTest::newRow("0x0FFFFFFF properties") << words({0, 0x0FFFFFFF}) + tail;
    QTest::newRow("string list of 0x0FFFFFFF strings")
        << words({0, 1}) + entry("k", 11, words({0x0FFFFFFF, 0}));
    QTest::newRow("byte array of 0x7FFFFFF0 bytes")
        << words({0, 1}) + entry("k", 12, words({0x7FFFFFF0, 0}));
    QTest::newRow("text of 0x7FFFFFF0 bytes")
        << words({0, 1}) + entry("k", 10, words({0x7FFFFFF0, 0}));
}

void tst_GraphReader::claimsCostNothing()
{
    QFETCH(QByteArray, body);
    const qint64 rssBefore = peakRssKiB();
    const qint64 vmBefore = peakVmKiB();
    const Reading reading = read(head(3, 1, "big") + body);
    const qint64 rssGrowth = peakRssKiB() - rssBefore;
    const qint64 vmGrowth = peakVmKiB() - vmBefore;
    QVERIFY(reading.data->points.size() <= 2);
    QVERIFY2(rssGrowth < 8 * 1024, qPrintable(QString::number(rssGrowth)));
    // Room reserved for the claim would show here even if never touched.
    QVERIFY2(vmGrowth < 256 * 1024, qPrintable(QString::number(vmGrowth)));
}

QTEST_MAIN(tst_GraphReader)
#include "tst_graphreader.moc"
