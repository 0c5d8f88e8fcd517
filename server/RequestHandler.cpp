#include "RequestHandler.h"

#include "IdListReader.h"
#include "LogLimiter.h"
#include "ServerClock.h"
#include "ServerLog.h"
#include "UnitStatusBook.h"

#include "wire/Commands.h"
#include "wire/Frame.h"
#include "wire/LayerMessages.h"
#include "wire/UnitMessages.h"

#include <QDataStream>

RequestHandler::RequestHandler(const Database &db, const ServerClock &clock,
                               LogLimiter &logLimiter, bool readOnly)
    : m_clock(clock), m_logLimiter(logLimiter), m_readOnly(readOnly), m_rules(db), m_layers(db),
      m_layerEdits(db, m_layers), m_units(db), m_unitEdits(db)
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
        if (ok)
            m_layerEdits.measured(tree.size());
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
    if (command == Commands::GetUnits)
        return unitsReply(body);
    if (isUnitChange(command))
        return unitChange(command, body);
    if (isRuleTreeChange(command)) // Fix_routes is taken above
        return ruleChange(command, body);
    if (isLayerChange(command))
        return layerChange(command, body);
    return failed(command.left(64), RequestFailure::Refused,
                  QStringLiteral("this server knows no such command"));
}

bool RequestHandler::isChange(const QByteArray &command)
{
    return command == Commands::FixRoutes || command == Commands::SetCheckMode
           || isUnitChange(command) || isRuleTreeChange(command) || isLayerChange(command);
}

bool RequestHandler::isLayerChange(const QByteArray &command)
{
    return command == Commands::AddGraphLayer || command == Commands::RenameGraphLayer
           || command == Commands::DeleteGraphLayer || command == Commands::AddGraphObject
           || command == Commands::ChangeGraphObject || command == Commands::DeleteGraphObject;
}

bool RequestHandler::isRuleTreeChange(const QByteArray &command)
{
    return command == Commands::AddRuleNode || command == Commands::RenameRuleNode
           || command == Commands::MoveRuleNode || command == Commands::DeleteRuleNode
           || command == Commands::FixRoutes;
}

bool RequestHandler::isUnitChange(const QByteArray &command)
{
    return command == Commands::AddUnitNode || command == Commands::RenameUnitNode
           || command == Commands::MoveUnitNode || command == Commands::DeleteUnitNode
           || command == Commands::SetUnitDevice || command == Commands::SetUnitKey;
}

RequestHandler::Outcome RequestHandler::malformed(const QByteArray &command,
                                                  const QByteArray &body) const
{
    return failed(command, RequestFailure::Malformed,
                  QStringLiteral("the body of %1 bytes does not read as this command's")
                      .arg(body.size()));
}

RequestHandler::Outcome RequestHandler::failed(const QByteArray &command,
                                               RequestFailure::Code code,
                                               const QString &reason) const
{
    if (m_logLimiter.admit("failed request"))
        qCWarning(lcServer).noquote() << command << "failed:" << reason;
    const RequestFailure failure{command, code, reason};
    return {Outcome::Delivery::Sender, Commands::RequestFailed, failure.body(), {}};
}

RequestHandler::Outcome RequestHandler::treeReply(const QByteArray &command,
                                                  const QByteArray &body, bool ok) const
{
    if (!ok) {
        return failed(command, RequestFailure::Storage,
                      QStringLiteral("the tree cannot be read from the database"));
    }
    // Trees from before the store's limits may not fit a frame at all.
    if (!Frame::fits({command, body})) {
        return failed(command, RequestFailure::OverLimit,
                      QStringLiteral("the tree takes %1 bytes, more than a reply may carry")
                          .arg(body.size()));
    }
    return {Outcome::Delivery::Sender, command, body, {}};
}

std::optional<RequestHandler::Outcome> RequestHandler::refusedChange(
    const QByteArray &command) const
{
    if (!m_readOnly)
        return std::nullopt;
    return failed(command, RequestFailure::ReadOnly,
                  QStringLiteral("the server runs read-only (--read-only): nothing is changed"));
}

RequestHandler::Outcome RequestHandler::fixRoutes(const QByteArray &body)
{
    if (auto refused = refusedChange(Commands::FixRoutes))
        return *refused;
    RuleStore::Change change;
    StoreError error;
    if (!m_rules.applyFixRoutes(body, &change, &error))
        return failed(Commands::FixRoutes, error.code, error.reason);
    return {Outcome::Delivery::Sender, Commands::FixRoutes, QByteArray(), std::move(change)};
}

RequestHandler::Outcome RequestHandler::setCheckMode(const QByteArray &body)
{
    QDataStream in(body);
    in.setVersion(QDataStream::Qt_4_5);
    qint32 mode = -1;
    in >> mode;
    QList<int> ids;
    if (!IdListReader::read(in, &ids) || !in.atEnd() || (mode != 0 && mode != 1)) {
        return failed(Commands::SetCheckMode, RequestFailure::Malformed,
                      QStringLiteral("the body of %1 bytes does not read as a mode and route ids")
                          .arg(body.size()));
    }
    if (auto refused = refusedChange(Commands::SetCheckMode))
        return *refused;
    const quint32 time = mode == 1 ? quint32(m_clock.now()) : 0;
    QList<int> applied;
    StoreError error;
    if (!m_rules.setCheckMode(mode, ids, time, &applied, &error))
        return failed(Commands::SetCheckMode, error.code, error.reason);
    QByteArray reply;
    QDataStream out(&reply, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    out << qint32(time) << applied;
    return {Outcome::Delivery::Everyone, Commands::SetCheckMode, reply, {}};
}

RequestHandler::Outcome RequestHandler::unitsReply(const QByteArray &body) const
{
    if (!body.isEmpty()) {
        return failed(Commands::GetUnits, RequestFailure::Malformed,
                      QStringLiteral("the request carries nothing, not %1 bytes")
                          .arg(body.size()));
    }
    bool ok = false;
    QList<UnitMessages::UnitInfo> units = m_unitEdits.units(&ok);
    if (m_lastReports)
        m_lastReports->overlay(&units);
    const QByteArray reply = UnitMessages::unitsBody(units);
    return treeReply(Commands::GetUnits, reply, ok);
}

RequestHandler::Outcome RequestHandler::unitChange(const QByteArray &command,
                                                   const QByteArray &body)
{
    using namespace UnitMessages;
    const auto newNode = command == Commands::AddUnitNode ? readNewNode(body) : std::nullopt;
    const auto move = command == Commands::MoveUnitNode ? readNodeMove(body) : std::nullopt;
    const auto id = command == Commands::DeleteUnitNode ? readId(body) : std::nullopt;
    const bool textual = command == Commands::RenameUnitNode
                         || command == Commands::SetUnitDevice || command == Commands::SetUnitKey;
    const auto idText = textual ? readIdText(body) : std::nullopt;
    if (!newNode && !move && !id && !idText) {
        return malformed(command, body);
    }
    if (auto refused = refusedChange(command))
        return *refused;
    StoreError error;
    QByteArray reply = body;
    bool done = false;
    if (newNode) {
        const qint32 added = m_unitEdits.addNode(*newNode, &error);
        done = added != 0;
        reply = idBody(added);
    } else if (move) {
        done = m_unitEdits.move(*move, &error);
    } else if (id) {
        done = m_unitEdits.remove(*id, &error);
    } else if (command == Commands::RenameUnitNode) {
        done = m_unitEdits.rename(idText->id, idText->text, &error);
    } else if (command == Commands::SetUnitDevice) {
        done = m_unitEdits.setDevice(idText->id, idText->text, &error);
    } else {
        done = m_unitEdits.setKey(idText->id, idText->text, &error);
    }
    if (!done)
        return failed(command, error.code, error.reason);
    return {Outcome::Delivery::Sender, command, reply, {}};
}

RequestHandler::Outcome RequestHandler::ruleChange(const QByteArray &command,
                                                   const QByteArray &body)
{
    // The unit edits' bodies: an id and a name (a parent's for an added node),
    // a move, an id.
    using namespace UnitMessages;
    const bool named = command == Commands::AddRuleNode || command == Commands::RenameRuleNode;
    const auto idText = named ? readIdText(body) : std::nullopt;
    const auto move = command == Commands::MoveRuleNode ? readNodeMove(body) : std::nullopt;
    const auto id = command == Commands::DeleteRuleNode ? readId(body) : std::nullopt;
    if (!idText && !move && !id) {
        return malformed(command, body);
    }
    if (auto refused = refusedChange(command))
        return *refused;
    StoreError error;
    RuleStore::Change change;
    QByteArray reply = body;
    bool done = false;
    if (command == Commands::AddRuleNode) {
        const qint32 added = m_rules.appendNode(idText->id, idText->text, &error);
        done = added != 0;
        reply = idBody(added);
    } else if (idText) {
        done = m_rules.renameNode(idText->id, idText->text, &change, &error);
    } else if (move) {
        done = m_rules.moveNode(move->id, move->parentId, move->position, &error);
    } else {
        done = m_rules.removeNode(*id, &change, &error);
    }
    if (!done)
        return failed(command, error.code, error.reason);
    return {Outcome::Delivery::Sender, command, reply, std::move(change)};
}

RequestHandler::Outcome RequestHandler::layerChange(const QByteArray &command,
                                                    const QByteArray &body)
{
    using namespace UnitMessages;
    const bool named = command == Commands::AddGraphLayer || command == Commands::RenameGraphLayer;
    const auto idText = named ? readIdText(body) : std::nullopt;
    const bool byId = command == Commands::DeleteGraphLayer
                      || command == Commands::DeleteGraphObject;
    // A plain id: an optional's value here trips a false uninitialised warning.
    qint32 id = 0;
    bool hasId = false;
    if (const auto read = byId ? readId(body) : std::nullopt)
        id = *read, hasId = true;
    const auto added = command == Commands::AddGraphObject ? LayerMessages::readNewObject(body)
                                                           : std::nullopt;
    const auto changed = command == Commands::ChangeGraphObject ? LayerMessages::readRecord(body)
                                                                : std::nullopt;
    if (!idText && !hasId && !added && !changed)
        return malformed(command, body);
    if (auto refused = refusedChange(command))
        return *refused;
    StoreError error;
    QByteArray reply = body;
    bool done = false;
    if (command == Commands::AddGraphLayer) {
        const qint32 layerId = m_layerEdits.addLayer(idText->id, idText->text, &error);
        done = layerId != 0;
        reply = idBody(layerId);
    } else if (idText) {
        done = m_layerEdits.renameLayer(idText->id, idText->text, &error);
    } else if (command == Commands::DeleteGraphLayer) {
        done = m_layerEdits.removeLayer(id, &error);
    } else if (added) {
        const qint32 objectId = m_layerEdits.addObject(added->layerId, added->record, &error);
        done = objectId != 0;
        reply = idBody(objectId);
    } else if (changed) {
        done = m_layerEdits.changeObject(*changed, &error);
    } else {
        done = m_layerEdits.removeObject(id, &error);
    }
    if (!done)
        return failed(command, error.code, error.reason);
    return {Outcome::Delivery::Sender, command, reply, {}};
}
