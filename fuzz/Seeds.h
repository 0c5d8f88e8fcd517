#ifndef FUZZSEEDS_H
#define FUZZSEEDS_H

// What the fuzz targets share: the records their seeds are written from, with
// the wire's own writers, and the one way seeds reach the disk:
// `TARGET --write-corpus DIR`.
#include "testsupport/TreeBuilders.h"

#include <QColor>
#include <QDataStream>
#include <QDir>
#include <QFile>

#include <cstdlib>
#include <functional>

namespace FuzzSeeds {

using Seeds = QList<QPair<const char *, QByteArray>>;

inline QByteArray written(const std::function<void(QDataStream &)> &write)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    write(out);
    return bytes;
}

// Route 11 has tolerances and one message switch off, so that every field is
// seeded; route 20 is a plain one.
inline QList<RouteRecord> routes()
{
    const auto section = [](int id, const QString &name, QList<int> objects, int in, int out) {
        SectionRecord *s = TreeBodies::section(id, name, objects, in, out);
        s->checkTimeInAhead = 60, s->checkTimeOutBehind = 120, s->messageOnTimeOut = false;
        return s;
    };
    RouteRecord north(11);
    north.checkOn = 1, north.checkTimeType = 4, north.checkTime = 1700000000u;
    north.objects = {1, 2};
    north.sections << section(1, "Gate", {101, 102}, 3600, 7200) << section(2, {}, {103}, -1, -1);
    RouteRecord south(20);
    south.sections << section(5, "Выезд", {104}, 0, 60);
    return {north, south};
}

// An object of every kind, the drawable ones with ids 101 to 104.
inline QList<GraphObData> layerRecords()
{
    const QPoint a(376000000, 557500000), b(376100000, 557560000), c(376200000, 557500000);
    const auto record = [](qint32 type, qint32 id, QList<QPoint> points, QVariantMap more) {
        more.insert("Comment", "seed");
        return GraphObData{id, type, QString("Object %1").arg(id), points, more};
    };
    return {record(1, 101, {a}, {{"IconName", "House"}}),
            record(2, 102, {a, b, c}, {{"Width", 30}, {"Color", QColor(Qt::red)}}),
            record(3, 103, {a, b, c}, {{"Brush", QColor(0, 128, 0, 100)}}),
            record(4, 104, {b}, {{"Diameter", 250}, {"Tags", QStringList{"a"}}}),
            record(5, 105, {a, b}, {{"Angle", 1.5}})};
}

// "Set_check_mode" reply: checking on since a time, for routes 11 and 20.
inline QByteArray checkModeOn()
{
    return written([](QDataStream &out) { out << 1700000000u << QList<int>{11, 20}; });
}

// With `--write-corpus DIR` as its only arguments the target writes its seeds
// into DIR and ends there; a seed of the same name is replaced.
inline void writeOnRequest(int argc, char **argv, const std::function<Seeds()> &seeds)
{
    if (argc != 3 || qstrcmp(argv[1], "--write-corpus") != 0)
        return;
    const QDir dir(QString::fromLocal8Bit(argv[2]));
    bool ok = dir.mkpath(".");
    for (const auto &seed : seeds()) {
        QFile file(dir.filePath(seed.first));
        ok = ok && file.open(QIODevice::WriteOnly | QIODevice::Truncate)
             && file.write(seed.second) == seed.second.size();
    }
    std::exit(ok ? 0 : 1);
}

} // namespace FuzzSeeds

#endif // FUZZSEEDS_H
