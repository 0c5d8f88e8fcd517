#ifndef RULESTORE_H
#define RULESTORE_H

#include "RuleTreeTally.h"
#include "StoreError.h"

#include "records/RecordKinds.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <map>
#include <memory>
#include <vector>

class Database;
class RouteRecord;

// The rule tree and its routes. A route is stored under the node that carries
// it, so a route's id is its node's id.
class RuleStore
{
public:
    explicit RuleStore(const Database &db); // the database outlives the store

    // 0 on failure. Parent 0: a top-level node.
    qint32 addNode(qint32 parentId, const QString &name, quint32 typeBits, int order);
    bool nodeExists(qint32 id) const;

    // Creates or replaces the route of the node route.id, every field and
    // section in order. Runs in the caller's transaction, if any.
    bool storeRoute(const RouteRecord &route);

    struct NamedRoute
    {
        std::shared_ptr<const RouteRecord> route;
        QString name; // its node's
    };
    // Every stored route, in id order; ok is false on a database error.
    std::vector<NamedRoute> routes(bool *ok) const;

    // The "Get_tree_rulecheck" reply body; ok is false on a database error.
    QByteArray treeBody(bool *ok) const;

    // What an applied save touched, by route id: the route as it is now stored
    // with its node's name, or no route where it was deleted (or never was).
    // A save changes no node, layer or unit.
    struct Change
    {
        std::map<qint32, NamedRoute> routes;
    };

    // A "Fix_routes" request body, applied in one transaction: the entries
    // (lead int32 + Route) up to lead -1, then the set of route ids to delete.
    // Lead = node id: create or replace that node's route; lead 0: replace the
    // existing route of the Route's id. Entries naming no node or no route are
    // skipped with a log line. Once applied, change (if given) holds what it
    // touched. False, with nothing changed, for a body that does not read
    // exactly to its end, a route over a limit of StoreLimits, a rule tree
    // that would outgrow its reply, or a database error; error says which.
    bool applyFixRoutes(const QByteArray &body, Change *change, StoreError *error);

    // The operators' edits of the tree, each in one transaction. A node may be
    // changed, and hold new nodes, when its type bits allow editing, as the
    // panel decides. A refused edit stores nothing; error says why.
    // The new node's id, or 0. It comes last among its siblings, with its
    // parent's type bits (NewTopLevelBits at the top level).
    static constexpr quint32 NewTopLevelBits = NodeBits::Shown | NodeBits::Editable;
    qint32 appendNode(qint32 parentId, const QString &name, StoreError *error);
    // change: the node's route, if any, under its new name.
    bool renameNode(qint32 id, const QString &name, Change *change, StoreError *error);
    // Position among the new siblings; negative or past the end: last.
    bool moveNode(qint32 id, qint32 parentId, int position, StoreError *error);
    // The node, its subtree and their routes; change: the routes gone.
    bool removeNode(qint32 id, Change *change, StoreError *error);

    // Mode 1: check on since time; mode 0: check off, the check time kept.
    // Applies to the routes of ids that exist, each once, in the order given.
    bool setCheckMode(int mode, const QList<int> &ids, quint32 time, QList<int> *applied,
                      StoreError *error);

    // Another server changed the tree: its size is counted again before a change.
    void forgetTally() { m_tally.forget(); }

private:
    bool hasRow(const char *sql, qint32 id) const;
    // Counts the tree when the tally does not know it; false with why.
    bool knowTally(StoreError *error) const;
    // The node's type bits; false with why when it is missing or read-only
    // (what: what it may not do then).
    bool editable(qint32 id, const char *what, qint64 *bits, StoreError *error) const;
    // Refuses the growth when it makes the tree outgrow its reply.
    static bool fits(const RuleTreeTally::Growth &growth, StoreError *error);

    const Database &m_db;
    mutable RuleTreeTally m_tally; // counted again by every tree built
};

#endif // RULESTORE_H
