#ifndef REQUESTHANDLER_H
#define REQUESTHANDLER_H

#include "LayerStore.h"
#include "RuleStore.h"
#include "TrackedObjectStore.h"

#include <QByteArray>

class Database;
class ServerClock;

// Turns one request (command and body) into the change it asks for and the
// reply it earns. Knows nothing of sockets: the server delivers the reply to
// the sender or, for a check mode change, to every client.
class RequestHandler
{
public:
    struct Outcome
    {
        enum class Delivery { None, Sender, Everyone };
        Delivery delivery = Delivery::None;
        QByteArray command;
        QByteArray body;
        RuleStore::Change change; // what an applied save touched
    };
    // The database and the clock outlive the handler.
    RequestHandler(const Database &db, const ServerClock &clock);

    // Unknown commands, bad bodies and failed changes deliver nothing and log why.
    Outcome handle(const QByteArray &command, const QByteArray &body);

private:
    Outcome fixRoutes(const QByteArray &body);
    Outcome setCheckMode(const QByteArray &body);
    static Outcome treeReply(const QByteArray &command, const QByteArray &body, bool ok);

    const ServerClock &m_clock;
    RuleStore m_rules;
    LayerStore m_layers;
    TrackedObjectStore m_units;
};

#endif // REQUESTHANDLER_H
