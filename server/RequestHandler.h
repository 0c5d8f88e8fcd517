#ifndef REQUESTHANDLER_H
#define REQUESTHANDLER_H

#include "LayerStore.h"
#include "RuleStore.h"
#include "TrackedObjectStore.h"

#include "wire/RequestFailure.h"

#include <QByteArray>

#include <optional>

class Database;
class ServerClock;

// Turns one request (command and body) into the change it asks for and the
// reply it earns. Knows nothing of sockets: the server delivers the reply to
// the sender or, for a check mode change, to every client. A request it
// cannot carry out earns "Request_failed" for the sender instead.
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
    // The database and the clock outlive the handler. Read-only: every
    // change is refused with that reason.
    RequestHandler(const Database &db, const ServerClock &clock, bool readOnly = false);

    Outcome handle(const QByteArray &command, const QByteArray &body);

    // "Request_failed" for the sender of command, logged.
    static Outcome failed(const QByteArray &command, RequestFailure::Code code,
                          const QString &reason);

private:
    Outcome fixRoutes(const QByteArray &body);
    Outcome setCheckMode(const QByteArray &body);
    static Outcome treeReply(const QByteArray &command, const QByteArray &body, bool ok);
    // Why this server changes nothing, or empty.
    std::optional<Outcome> refusedChange(const QByteArray &command) const;

    const ServerClock &m_clock;
    bool m_readOnly;
    RuleStore m_rules;
    LayerStore m_layers;
    TrackedObjectStore m_units;
};

#endif // REQUESTHANDLER_H
