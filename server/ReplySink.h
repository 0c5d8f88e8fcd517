#ifndef REPLYSINK_H
#define REPLYSINK_H

#include <QByteArray>

// Where what the server means for the sender of a request goes: a client's
// connection, or an in-process caller.
class ReplySink
{
public:
    virtual ~ReplySink() = default;

    virtual void sendReply(const QByteArray &command, const QByteArray &body) = 0;
    // A route's "Every_sections_state": only the newest of a route's states
    // matters, so a sink may drop one not yet sent when a newer comes.
    virtual void sendRouteState(qint32 routeId, const QByteArray &body) = 0;
    // While held, the sender hands on no further request: one of its changes
    // is being written, and what it asks next must see the change.
    virtual void setHeld(bool held) { Q_UNUSED(held) }
};

#endif // REPLYSINK_H
