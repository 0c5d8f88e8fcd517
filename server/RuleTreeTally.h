#ifndef RULETREETALLY_H
#define RULETREETALLY_H

#include <QHash>
#include <QtGlobal>

// The size of the "Get_tree_rulecheck" reply, kept so that a save is measured
// against the reply's limit without building the tree: counted whenever a tree
// is built, then moved by each committed save.
class RuleTreeTally
{
public:
    bool isKnown() const { return m_known; }
    // From a tree just built: its bytes and each route's part (without its flag).
    void count(qint64 treeBytes, QHash<qint32, qint64> routeBytes);
    // Something beside the saves changed the tree; the next save counts again.
    void forget() { m_known = false; }

    // What a save would make of the tree, route by route.
    class Growth
    {
    public:
        explicit Growth(const RuleTreeTally &tally);
        // The route's part as the save leaves it; 0 when it has none.
        void setRoute(qint32 id, qint64 bytes);
        // Nodes added, renamed or deleted: their heads' bytes (negative: fewer).
        void addNodeBytes(qint64 bytes) { m_treeBytes += bytes; }
        qint64 treeBytes() const { return m_treeBytes; }

    private:
        friend class RuleTreeTally;

        const RuleTreeTally &m_tally;
        qint64 m_treeBytes;
        QHash<qint32, qint64> m_routeBytes;
    };
    // Once the save is committed.
    void apply(const Growth &growth);

private:
    bool m_known = false;
    qint64 m_treeBytes = 0;
    QHash<qint32, qint64> m_routeBytes;
};

#endif // RULETREETALLY_H
