#ifndef ROUTEMESSAGES_H
#define ROUTEMESSAGES_H

#include <QList>
#include <QSet>
#include <QtGlobal>

class QByteArray;
class QDataStream;
class RouteRecord;
class SectionRecord;

// Bodies of the route-check messages. Streams are set to version Qt_4_5,
// big-endian, by whoever opens them. Readers never let a count from the wire
// size memory, and stop at the end of the body.
namespace RouteMessages {

// Route and Section: the same form on reading and writing.
RouteRecord *readRoute(QDataStream &in);
SectionRecord *readSection(QDataStream &in);
void writeRoute(QDataStream &out, const RouteRecord &route);
void writeSection(QDataStream &out, const SectionRecord &section);
// The bytes writeRoute writes for the route, without writing them.
qint64 routeWireSize(const RouteRecord &route);

// One "Fix_routes" entry: lead (node id for a new route, 0 for a changed one) and the route.
void writeSaveEntry(QDataStream &out, qint32 lead, const RouteRecord &route);
// The end of a "Fix_routes" body: -1, then the deleted route ids.
void writeSaveEnd(QDataStream &out, const QSet<int> &deletedRouteIds);

// "Set_check_mode" request: mode (0 off, 1 on) and the route ids.
QByteArray checkModeRequest(qint32 mode, const QList<int> &routeIds);

struct CheckModeReply
{
    uint checkTime = 0; // 0: checking is off
    QList<int> routeIds;
};
CheckModeReply readCheckModeReply(QDataStream &in);

struct SectionState
{
    qint32 sectionId;
    qint32 state;
};

} // namespace RouteMessages

// Kept in place in lists: a state is two integers.
Q_DECLARE_TYPEINFO(RouteMessages::SectionState, Q_PRIMITIVE_TYPE);

namespace RouteMessages {

struct SectionsStateReply
{
    qint32 routeId = 0;
    QList<SectionState> states;
};
// Stops at the first section id <= 0, which ends the body.
SectionsStateReply readSectionsState(QDataStream &in);
QByteArray sectionsStateBody(qint32 routeId, const QList<SectionState> &states);

} // namespace RouteMessages

#endif // ROUTEMESSAGES_H
