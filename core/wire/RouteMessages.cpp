#include "wire/RouteMessages.h"

#include "records/RouteRecord.h"
#include "records/SectionRecord.h"

#include "wire/StreamRead.h"
#include "wire/WireWriter.h"

#include <QByteArray>
#include <QDataStream>

namespace RouteMessages {

namespace {

QDataStream &openWriter(QDataStream &out)
{
    out.setVersion(QDataStream::Qt_4_5);
    return out;
}

} // namespace

SectionRecord *readSection(QDataStream &in)
{
    auto *section = new SectionRecord;
    qint32 id = 0, timeIn = 0, timeOut = 0;
    in >> id >> StreamRead::sized(section->name);
    StreamRead::readIntList(in, section->graphObjectIds);
    in >> timeIn >> timeOut;
    in >> section->messageOnTimeIn >> section->messageOnTimeOut;
    qint32 inAhead = 0, inBehind = 0, outAhead = 0, outBehind = 0;
    in >> inAhead >> inBehind >> outAhead >> outBehind;
    section->id = id;
    section->checkTimeIn = timeIn;
    section->checkTimeOut = timeOut;
    section->checkTimeInAhead = inAhead;
    section->checkTimeInBehind = inBehind;
    section->checkTimeOutAhead = outAhead;
    section->checkTimeOutBehind = outBehind;
    section->deriveSchedule();
    return section;
}

RouteRecord *readRoute(QDataStream &in)
{
    qint32 id = 0, checkOn = 0, timeType = 0, fifth = 0;
    quint32 checkTime = 0;
    in >> id >> checkOn >> timeType >> checkTime >> fifth;
    auto *route = new RouteRecord(id);
    route->checkOn = checkOn;
    route->checkTimeType = timeType;
    route->checkTime = checkTime;
    route->fifthField = fifth;
    StreamRead::readIntList(in, route->objects);
    qint32 count = 0;
    in >> count;
    for (qint32 i = 0; i < count && StreamRead::canRead(in); ++i) {
        SectionRecord *section = readSection(in);
        route->sections.append(section);
        route->maxSectionId = qMax(route->maxSectionId, section->id);
    }
    return route;
}

void writeSection(QDataStream &out, const SectionRecord &section)
{
    out << qint32(section.id) << section.name << section.graphObjectIds
        << qint32(section.checkTimeIn) << qint32(section.checkTimeOut)
        << section.messageOnTimeIn << section.messageOnTimeOut
        << qint32(section.checkTimeInAhead) << qint32(section.checkTimeInBehind)
        << qint32(section.checkTimeOutAhead) << qint32(section.checkTimeOutBehind);
}

void writeRoute(QDataStream &out, const RouteRecord &route)
{
    out << qint32(route.id) << qint32(route.checkOn) << qint32(route.checkTimeType)
        << quint32(route.checkTime) << qint32(route.fifthField) << route.objects
        << qint32(route.sections.size());
    for (const SectionRecord *section : route.sections)
        writeSection(out, *section);
}

qint64 routeWireSize(const RouteRecord &route)
{
    // A QString is its length and UTF-16 units; a null one only the length.
    // The sizes follow writeRoute and writeSection field by field.
    // Route: five int32 fields, the id count, the section count.
    constexpr qint64 RouteHead = 5 * 4 + 4 + 4;
    // Section: id, name length, id count, two times, two switches, four tolerances.
    constexpr qint64 SectionFixed = 4 + 4 + 4 + 2 * 4 + 2 * 1 + 4 * 4;
    qint64 bytes = RouteHead + 4 * qint64(route.objects.size());
    for (const SectionRecord *section : route.sections) {
        bytes += SectionFixed + 2 * qint64(section->name.size())
                 + 4 * qint64(section->graphObjectIds.size());
    }
    return bytes;
}

void writeSaveEntry(QDataStream &out, qint32 lead, const RouteRecord &route)
{
    out << lead;
    writeRoute(out, route);
}

void writeSaveEnd(QDataStream &out, const QSet<int> &deletedRouteIds)
{
    out << qint32(-1) << deletedRouteIds;
}

QByteArray checkModeRequest(qint32 mode, const QList<int> &routeIds)
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    openWriter(out) << mode << routeIds;
    return body;
}

CheckModeReply readCheckModeReply(QDataStream &in)
{
    CheckModeReply reply;
    quint32 checkTime = 0;
    in >> checkTime;
    reply.checkTime = checkTime;
    StreamRead::readIntList(in, reply.routeIds);
    return reply;
}

SectionsStateReply readSectionsState(QDataStream &in)
{
    SectionsStateReply reply;
    in >> reply.routeId;
    qint32 sectionId = 0;
    in >> sectionId;
    while (sectionId > 0) {
        qint32 state = 0;
        in >> state;
        reply.states.append({sectionId, state});
        sectionId = 0;
        in >> sectionId;
    }
    return reply;
}

QByteArray sectionsStateBody(qint32 routeId, const QList<SectionState> &states)
{
    // The server writes one per changed route: no stream device for a few integers.
    WireWriter out;
    out.reserve(8 + 8 * states.size());
    out.putInt32(routeId);
    for (const SectionState &entry : states) {
        out.putInt32(entry.sectionId);
        out.putInt32(entry.state);
    }
    out.putInt32(0);
    return out.take();
}

} // namespace RouteMessages
