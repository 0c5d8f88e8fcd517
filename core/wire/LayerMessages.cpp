#include "wire/LayerMessages.h"

#include "wire/StreamRead.h"

#include <QColor>
#include <QDataStream>
#include <QDate>
#include <QDateTime>
#include <QMultiMap>
#include <QPointF>
#include <QStringList>
#include <QTime>
#include <QVariant>

#include <memory>
#include <type_traits>

namespace {

constexpr qint64 PointWireSize = 2 * sizeof(qint32);
constexpr qint64 StringWireSize = sizeof(quint32); // a string is at least its length field

// Qt 4's list form: a body that ends early stops the list after the last whole
// point. A point cut short is not kept.
void readPoints(QDataStream &in, QList<QPoint> &points)
{
    points.clear();
    quint32 count = 0;
    in >> count;
    points.reserve(StreamRead::reservation(in, count, PointWireSize));
    for (quint32 i = 0; i < count; ++i) {
        const QDataStream::Status before = in.status();
        QPoint point;
        in >> point;
        if (in.status() != before)
            break;
        points.append(point);
        if (in.atEnd())
            break;
    }
}

// Qt's own string list reader reserves the wire's count up front; this one
// lets the strings that really arrive decide.
void readStringList(QDataStream &in, QStringList &list)
{
    list.clear();
    quint32 count = 0;
    in >> count;
    list.reserve(StreamRead::reservation(in, count, StringWireSize));
    for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        QString text;
        in >> StreamRead::sized(text);
        if (in.status() != QDataStream::Ok)
            break;
        list.append(text);
    }
}

template <typename T>
QVariant readPlain(QDataStream &in)
{
    T value;
    if constexpr (std::is_same_v<T, QString> || std::is_same_v<T, QByteArray>)
        in >> StreamRead::sized(value);
    else
        in >> value;
    return QVariant::fromValue(value);
}

// A colour is a colour-model byte and five 16-bit words. Qt takes that byte on
// trust, and a value outside its enum is undefined behaviour later on.
QVariant readColor(QDataStream &in)
{
    constexpr int ColorSize = 11;
    QByteArray bytes(ColorSize, '\0');
    if (in.readRawData(bytes.data(), ColorSize) != ColorSize) {
        in.setStatus(QDataStream::ReadPastEnd);
        return QVariant();
    }
    const qint8 colorModel = qint8(bytes.at(0));
    if (colorModel < QColor::Invalid || colorModel > QColor::ExtendedRgb) {
        in.setStatus(QDataStream::ReadCorruptData);
        return QVariant();
    }
    QDataStream colorStream(bytes);
    colorStream.setVersion(in.version());
    QColor color;
    colorStream >> color;
    return QVariant::fromValue(color);
}

// Qt's QVariant stream form, limited to plain values: a type id, the null
// flag, then the value. Pictures, user types and nested containers would run
// code or allocate on the wire's word, so they fail the stream instead.
QVariant readVariant(QDataStream &in)
{
    quint32 typeId = 0;
    in >> typeId;
    qint8 isNull = 0;
    if (in.version() >= QDataStream::Qt_4_2)
        in >> isNull;

    switch (typeId) {
    case QMetaType::UnknownType:
        if (in.version() < QDataStream::Qt_5_0) {
            QString placeholder; // Qt 4 writes an empty string for an invalid value
            in >> placeholder;
        }
        return QVariant();
    case QMetaType::Bool:
        return readPlain<bool>(in);
    case QMetaType::Int:
        return readPlain<qint32>(in);
    case QMetaType::UInt:
        return readPlain<quint32>(in);
    case QMetaType::LongLong:
        return readPlain<qint64>(in);
    case QMetaType::ULongLong:
        return readPlain<quint64>(in);
    case QMetaType::Double:
        return readPlain<double>(in);
    case QMetaType::QString:
        return readPlain<QString>(in);
    case QMetaType::QByteArray:
        return readPlain<QByteArray>(in);
    case QMetaType::QStringList: {
        QStringList list;
        readStringList(in, list);
        return list;
    }
    case QMetaType::QPoint:
        return readPlain<QPoint>(in);
    case QMetaType::QPointF:
        return readPlain<QPointF>(in);
    case QMetaType::QDate:
        return readPlain<QDate>(in);
    case QMetaType::QTime:
        return readPlain<QTime>(in);
    case QMetaType::QDateTime:
        return readPlain<QDateTime>(in);
    case QMetaType::QColor:
        return readColor(in);
    default:
        in.setStatus(QDataStream::ReadCorruptData);
        return QVariant();
    }
}

// Qt 4's map form: a map that fails part-way is emptied, so every property
// takes its default, and the stream keeps the status it came in with.
void readProperties(QDataStream &in, QVariantMap &properties)
{
    const QDataStream::Status oldStatus = in.status();
    in.resetStatus();
    properties.clear();

    quint32 count = 0;
    in >> count;
    // Every value read stays; a lookup finds the one read last.
    QMultiMap<QString, QVariant> entries;
    for (quint32 i = 0; i < count; ++i) {
        if (in.status() != QDataStream::Ok)
            break;
        QString key;
        in >> StreamRead::sized(key);
        const QVariant value = readVariant(in);
        entries.insert(key, value);
    }
    if (in.status() == QDataStream::Ok)
        properties = entries;

    if (oldStatus != QDataStream::Ok) {
        in.resetStatus();
        in.setStatus(oldStatus);
    }
}

} // namespace

GraphObData *ReadGraphObData(QDataStream &in)
{
    auto *record = new GraphObData;
    qint32 type = 0;
    qint32 id = 0;
    in >> type >> id >> StreamRead::sized(record->name);
    record->type = type;
    record->id = id;
    readPoints(in, record->points);
    readProperties(in, record->properties);
    return record;
}

void WriteGraphObData(QDataStream &out, const GraphObData &record)
{
    out << qint32(record.type) << qint32(record.id) << record.name << record.points
        << record.properties;
}

namespace LayerMessages {

namespace {

QDataStream &writeTo(QDataStream &out)
{
    out.setVersion(QDataStream::Qt_4_5);
    return out;
}

} // namespace

QByteArray newObjectBody(const NewObject &object)
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    writeTo(out) << object.layerId;
    WriteGraphObData(out, object.record);
    return body;
}

QByteArray recordBody(const GraphObData &record)
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    WriteGraphObData(writeTo(out), record);
    return body;
}

std::optional<GraphObData> readRecord(const QByteArray &body)
{
    QDataStream in(body);
    in.setVersion(QDataStream::Qt_4_5);
    const std::unique_ptr<GraphObData> record(ReadGraphObData(in));
    // The record reader keeps what it could of a damaged record; an edit is
    // taken whole or not at all, so the record must write back to the body.
    if (in.status() != QDataStream::Ok || !in.atEnd() || recordBody(*record) != body)
        return std::nullopt;
    return *record;
}

std::optional<NewObject> readNewObject(const QByteArray &body)
{
    if (body.size() < int(sizeof(qint32)))
        return std::nullopt;
    QDataStream in(body);
    in.setVersion(QDataStream::Qt_4_5);
    NewObject object;
    in >> object.layerId;
    const std::optional<GraphObData> record = readRecord(body.mid(sizeof(qint32)));
    if (!record)
        return std::nullopt;
    object.record = *record;
    return object;
}

} // namespace LayerMessages
