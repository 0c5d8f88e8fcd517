#ifndef NODEFOREST_H
#define NODEFOREST_H

#include <QHash>
#include <QString>
#include <QVector>

#include <functional>

class Database;
class QDataStream;

// The rows of one node table (rule nodes, graphic layers, tracked objects)
// grouped by parent, written as the recursive Tree of the replies: node count
// (int32), then per node its id (int32), name (QString), tag (int32: type bits
// or kind), its children as a Tree and its payload.
class NodeForest
{
public:
    struct Node
    {
        qint32 id = 0;
        QString name;
        qint32 tag = 0;
    };
    using PayloadWriter = std::function<void(QDataStream &out, qint32 nodeId)>;

    // Deeper nodes are sent as leaves: the readers recurse once per level.
    static constexpr int MaxDepth = 200;

    // Reads "id, parent_id, name, <tagColumn>" of a table, in stored order
    // (sort_order, then id). Table and column names are the caller's constants.
    bool load(const Database &db, const char *table, const char *tagColumn);

    int size() const { return m_size; } // nodes read

    // An empty payload writer writes no payload.
    void write(QDataStream &out, const PayloadWriter &payload) const;

private:
    void writeLevel(QDataStream &out, qint32 parentId, int depth,
                    const PayloadWriter &payload) const;

    QHash<qint32, QVector<Node>> m_children; // key 0: the top level
    int m_size = 0;
};

#endif // NODEFOREST_H
