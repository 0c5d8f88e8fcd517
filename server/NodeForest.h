#ifndef NODEFOREST_H
#define NODEFOREST_H

#include <QString>
#include <QVector>

#include <functional>

class Database;
class WireWriter;

// The rows of one node table (rule nodes, graphic layers, tracked objects)
// grouped by parent, written as the recursive Tree of the replies: node count
// (int32), then per node its id (int32), name (QString), tag (int32: type bits
// or kind), its children as a Tree and its payload.
class NodeForest
{
public:
    struct Node
    {
        qint32 parentId = 0; // 0: the top level
        qint32 id = 0;
        qint32 tag = 0;
        QString name;
    };
    using PayloadWriter = std::function<void(WireWriter &out, qint32 nodeId)>;

    // Deeper nodes are sent as leaves: the readers recurse once per level.
    static constexpr int MaxDepth = 200;

    // Reads "id, parent_id, name, <tagColumn>" of a table, in stored order
    // (sort_order, then id). Table and column names are the caller's constants.
    bool load(const Database &db, const char *table, const char *tagColumn);

    int size() const { return m_nodes.size(); } // nodes read

    // An empty payload writer writes no payload.
    void write(WireWriter &out, const PayloadWriter &payload) const;

private:
    void writeLevel(WireWriter &out, qint32 parentId, int depth,
                    const PayloadWriter &payload) const;

    // By parent, each parent's children in stored order: one block per parent.
    QVector<Node> m_nodes;
};

#endif // NODEFOREST_H
