#ifndef REQUESTHANDLER_H
#define REQUESTHANDLER_H

#include "LayerEdits.h"
#include "LayerStore.h"
#include "RuleStore.h"
#include "TrackedObjectStore.h"
#include "UnitStore.h"

#include "wire/RequestFailure.h"

#include <QByteArray>

#include <optional>

class UnitStatusBook;

class Database;
class LogLimiter;
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
    // The database, the clock and the limiter outlive the handler. Read-only:
    // every change is refused with that reason.
    RequestHandler(const Database &db, const ServerClock &clock, LogLimiter &logLimiter,
                   bool readOnly = false);

    Outcome handle(const QByteArray &command, const QByteArray &body);
    // "Get_units" takes each unit's last report from the book, which knows
    // what is not stored yet. Not owned; it outlives the handler.
    void setLastReports(const UnitStatusBook *book) { m_lastReports = book; }

    // Another server of the database changed the trees: the sizes kept
    // for the reply limits are counted again.
    void forgetTreeSizes()
    {
        m_rules.forgetTally();
        m_layerEdits.forgetTreeSize();
    }

    // The commands that write: a running server hands them to its writer.
    static bool isChange(const QByteArray &command);
    // The unit tree and device edits, which the other clients are told of.
    static bool isUnitChange(const QByteArray &command);
    // The rule tree edits and "Fix_routes", which the other clients are told of.
    static bool isRuleTreeChange(const QByteArray &command);
    // Layer and graphic object edits.
    static bool isLayerChange(const QByteArray &command);

    // "Request_failed" for the sender of command, logged.
    Outcome failed(const QByteArray &command, RequestFailure::Code code,
                   const QString &reason) const;
    // Code 5: the body does not read as the command's layout.
    Outcome malformed(const QByteArray &command, const QByteArray &body) const;

private:
    Outcome fixRoutes(const QByteArray &body);
    Outcome setCheckMode(const QByteArray &body);
    Outcome unitChange(const QByteArray &command, const QByteArray &body);
    Outcome ruleChange(const QByteArray &command, const QByteArray &body);
    Outcome layerChange(const QByteArray &command, const QByteArray &body);
    Outcome unitsReply(const QByteArray &body) const;
    Outcome treeReply(const QByteArray &command, const QByteArray &body, bool ok) const;
    // Why this server changes nothing, or empty.
    std::optional<Outcome> refusedChange(const QByteArray &command) const;

    const ServerClock &m_clock;
    LogLimiter &m_logLimiter;
    bool m_readOnly;
    RuleStore m_rules;
    LayerStore m_layers;
    LayerEdits m_layerEdits;
    TrackedObjectStore m_units;
    UnitStore m_unitEdits;
    const UnitStatusBook *m_lastReports = nullptr;
};

#endif // REQUESTHANDLER_H
