#include "RequestHandler.h"

#include "IdListReader.h"
#include "wire/Commands.h"
#include "ServerLog.h"

#include "ServerClock.h"

#include <QDataStream>

RequestHandler::RequestHandler(const Database &db, const ServerClock &clock)
    : m_clock(clock), m_rules(db), m_layers(db), m_units(db)
{
}

RequestHandler::Outcome RequestHandler::handle(const QByteArray &command, const QByteArray &body)
{
    // The tree requests carry nothing; whatever body they bring is not read.
    if (command == Commands::GetRuleTree) {
        bool ok = false;
        const QByteArray tree = m_rules.treeBody(&ok);
        return treeReply(command, tree, ok);
    }
    if (command == Commands::GetLayerTree) {
        bool ok = false;
        const QByteArray tree = m_layers.treeBody(&ok);
        return treeReply(command, tree, ok);
    }
    if (command == Commands::GetObjectTree) {
        bool ok = false;
        const QByteArray tree = m_units.treeBody(&ok);
        return treeReply(command, tree, ok);
    }
    if (command == Commands::FixRoutes)
        return fixRoutes(body);
    if (command == Commands::SetCheckMode)
        return setCheckMode(body);
    qCWarning(lcServer) << "unknown command" << command.left(64) << "ignored";
    return Outcome();
}

RequestHandler::Outcome RequestHandler::treeReply(const QByteArray &command,
                                                  const QByteArray &body, bool ok)
{
    if (!ok) {
        qCWarning(lcServer) << command << "not answered: the tree cannot be read";
        return Outcome();
    }
    return {Outcome::Delivery::Sender, command, body, {}};
}

RequestHandler::Outcome RequestHandler::fixRoutes(const QByteArray &body)
{
    RuleStore::Change change;
    switch (m_rules.applyFixRoutes(body, &change)) {
    case RuleStore::FixOutcome::Applied:
        return {Outcome::Delivery::Sender, Commands::FixRoutes, QByteArray(), std::move(change)};
    case RuleStore::FixOutcome::Malformed:
        qCWarning(lcServer) << "Fix_routes: malformed body of" << body.size()
                            << "bytes; nothing changed";
        break;
    case RuleStore::FixOutcome::Failed:
        qCWarning(lcServer) << "Fix_routes: the change failed; nothing changed";
        break;
    }
    return Outcome();
}

RequestHandler::Outcome RequestHandler::setCheckMode(const QByteArray &body)
{
    QDataStream in(body);
    in.setVersion(QDataStream::Qt_4_5);
    qint32 mode = -1;
    in >> mode;
    QList<int> ids;
    if (!IdListReader::read(in, &ids) || !in.atEnd() || (mode != 0 && mode != 1)) {
        qCWarning(lcServer) << "Set_check_mode: malformed body of" << body.size()
                            << "bytes ignored";
        return Outcome();
    }
    const quint32 time = mode == 1 ? quint32(m_clock.now()) : 0;
    QList<int> applied;
    if (!m_rules.setCheckMode(mode, ids, time, &applied)) {
        qCWarning(lcServer) << "Set_check_mode: the change failed; nothing changed";
        return Outcome();
    }
    QByteArray reply;
    QDataStream out(&reply, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    out << qint32(time) << applied;
    return {Outcome::Delivery::Everyone, Commands::SetCheckMode, reply, {}};
}
