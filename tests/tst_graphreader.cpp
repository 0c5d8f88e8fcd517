#include "wire/LayerMessages.h"
#include "graphobj/GraphObLine.h"
#include "graphobj/GraphObjectFactory.h"

#include <QFile>
#include <QPixmap>
#include <QtTest>

#include <sys/resource.h>

#include <limits>
#include <memory>

Q_DECLARE_METATYPE(QDataStream::Status)

namespace {

using Points = QList<QPoint>;

// Writes values in the wire's stream form.
template <typename... Values>
QByteArray wire(const Values &...values)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    (out << ... << values);
    return bytes;
}

template <typename... Words>
QByteArray words(Words... values)
{
    return wire(quint32(values)...);
}

QByteArray record(const GraphObData &data)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    WriteGraphObData(out, data);
    return bytes;
}

// The record's head in wire order: type code, id, name.
QByteArray head(qint32 type, const QString &name = "h")
{
    return wire(type, qint32(9), name);
}

// One property map entry, the value already encoded.
QByteArray entry(const QString &key, quint32 typeId, const QByteArray &value)
{
    return wire(key, typeId, qint8(0)) + value;
}

const QByteArray textA = QByteArray::fromHex("000000020041"); // "A"

struct Reading
{
    std::unique_ptr<GraphObData> data;
    QDataStream::Status status;
    bool atEnd;
};

Reading read(const QByteArray &bytes, QDataStream::Status before = QDataStream::Ok)
{
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_4_5);
    in.setStatus(before);
    std::unique_ptr<GraphObData> data(ReadGraphObData(in));
    return Reading{std::move(data), in.status(), in.atEnd()};
}

// Peak resident size, and peak address space, which also sees memory reserved
// but never touched.
QPair<qint64, qint64> peakKiB()
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

} // namespace

class tst_GraphReader : public QObject
{
    Q_OBJECT

private slots:
    // Every plain value type the reader accepts comes back as written.
    void roundTrip_data()
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
        QTest::newRow("date and time")
            << QVariant(QDateTime(QDate(2014, 3, 9), QTime(8, 0), Qt::UTC));
        QTest::newRow("invalid") << QVariant();
    }

    void roundTrip()
    {
        QFETCH(QVariant, value);
        const QByteArray bytes = record({41, 3, "Yard", {{1, 2}, {-3, 4}},
                                         {{"Value", value}, {"Comment", "note"}}});
        const Reading reading = read(bytes);
        QCOMPARE(reading.status, QDataStream::Ok);
        QVERIFY(reading.atEnd);
        // Written again, byte for byte the same: fields, value types and values.
        QCOMPARE(record(*reading.data).toHex(), bytes.toHex());
    }

    void writtenBytes()
    {
        const QByteArray expected = QByteArray::fromHex(
            "00000002" "00000011"            // type code first, then the id
            "00000002" "004c"                // "L"
            "00000001" "00000001" "fffffffe" // one vertex
            "00000001"                       // one property
            "0000000a" "005700690064007400680000000200" "0000001e"); // "Width": int 30
        QCOMPARE(record({17, 2, "L", {{1, -2}}, {{"Width", 30}}}).toHex(), expected.toHex());
    }

    // A body that ends early keeps the whole points read before it. A map that
    // fails part-way is emptied, and the stream keeps the status it came in with
    // when that was already a failure. Values that would run code or allocate on
    // the wire's word fail the stream, and the whole map goes, not just the bad value.
    void badBodies_data()
    {
        QTest::addColumn<QByteArray>("body"); // after the head
        QTest::addColumn<QDataStream::Status>("before");
        QTest::addColumn<Points>("points");
        QTest::addColumn<int>("size"); // of the map
        QTest::addColumn<QDataStream::Status>("after");

        const auto ok = QDataStream::Ok;
        const auto past = QDataStream::ReadPastEnd;
        const auto corrupt = QDataStream::ReadCorruptData;
        const Points none;
        QTest::newRow("count 3, body ends after the first")
            << words(3, 5, 6) << ok << Points{{5, 6}} << 0 << past;
        QTest::newRow("count 3, second cut in half")
            << words(3, 5, 6, 7) << ok << Points{{5, 6}} << 0 << past;
        QTest::newRow("negative coordinates") << words(1, 0xFFFFFFFF, 0x80000000, 0) << ok
                                              << Points{{-1, std::numeric_limits<int>::min()}}
                                              << 0 << ok;
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
        QTest::newRow("pixmap") << good + wire(QVariant::fromValue(QPixmap(2, 2))) << ok << none
                                << 0 << corrupt;
        QTest::newRow("map of variants") << good + wire(QVariant(QVariantMap{{"a", 1}})) << ok
                                         << none << 0 << corrupt;
        QTest::newRow("user type by name")
            << good + words(127) + QByteArray::fromHex("00000000045150656e") << ok << none << 0
            << corrupt;
        QTest::newRow("unknown type id") << good + words(999) + QByteArray::fromHex("00") << ok
                                         << none << 0 << corrupt;
        QTest::newRow("colour of no colour model")
            << good + words(67) + QByteArray::fromHex("00" "09" "ffff" "0000" "0000" "0000" "0000")
            << ok << none << 0 << corrupt;
    }

    void badBodies()
    {
        QFETCH(QByteArray, body);
        QFETCH(QDataStream::Status, before);
        QFETCH(Points, points);
        QFETCH(int, size);
        QFETCH(QDataStream::Status, after);
        const Reading reading = read(head(2, "v") + body, before);
        QCOMPARE(reading.data->name, QStringLiteral("v"));
        QCOMPARE(reading.data->points, points);
        QCOMPARE(reading.data->properties.size(), size);
        QCOMPARE(reading.status, after);
        if (size)
            QCOMPARE(reading.data->properties.value("Width"), QVariant(80));
    }

    // Every value read stays; a lookup, here and in the object made from it,
    // finds the one read last, also after writing back and reading again.
    void repeatedKey()
    {
        const Reading reading = read(head(2) + words(0, 3)
                                     + entry("Width", 2, QByteArray::fromHex("0000000a"))
                                     + entry("Color", 10, QByteArray::fromHex("00000000"))
                                     + entry("Width", 2, QByteArray::fromHex("00000014")));
        const QVariantMap &properties = reading.data->properties;
        QCOMPARE(properties.size(), 3);
        QCOMPARE(properties.count("Width"), 2);
        QCOMPARE(properties.value("Width"), QVariant(20));
        const Reading again = read(record(*reading.data));
        QCOMPARE(again.data->properties, properties);
        const std::unique_ptr<GraphObject> object(CreateGraphObject(*again.data));
        QCOMPARE(qobject_cast<GraphObLine *>(object.get())->width, 20);
    }

    // A count on the wire reserves nothing the body does not back.
    void claimsCostNothing_data()
    {
        QTest::addColumn<QByteArray>("body"); // after the head

        QTest::newRow("0xFFFFFFFF vertices") << words(0xFFFFFFFF, 1, 2, 3);
        QTest::newRow("0x0FFFFFFF properties") << words(0, 0x0FFFFFFF, 1, 2, 3);
        QTest::newRow("string list of 0x0FFFFFFF strings")
            << words(0, 1) + entry("k", 11, words(0x0FFFFFFF, 0));
    }

    void claimsCostNothing()
    {
        QFETCH(QByteArray, body);
        const QPair<qint64, qint64> before = peakKiB();
        const Reading reading = read(head(3) + body);
        const qint64 rssGrowth = peakKiB().first - before.first;
        const qint64 vmGrowth = peakKiB().second - before.second;
        QVERIFY(reading.data->points.size() <= 2);
        QVERIFY2(rssGrowth < 8 * 1024, qPrintable(QString::number(rssGrowth)));
        // Room reserved for the claim would show here even if never touched.
        QVERIFY2(vmGrowth < 256 * 1024, qPrintable(QString::number(vmGrowth)));
    }
};

QTEST_MAIN(tst_GraphReader)
#include "tst_graphreader.moc"
