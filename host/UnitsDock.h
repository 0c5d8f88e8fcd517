#ifndef UNITSDOCK_H
#define UNITSDOCK_H

#include "UnitDialog.h"

#include <QDockWidget>
#include <QQueue>

class ObjectsModel;
class PluginInterface;
class QTimer;
class QTreeView;
class ServerConnection;
struct RequestFailure;

// The tracked units with their devices, last reports and statuses, and the
// operator's edits of them: a context menu asks the server to add, rename,
// move and delete groups and units and to set a unit's device. Once the
// server has answered every edit sent, the units are read again.
class UnitsDock : public QDockWidget
{
    Q_OBJECT

public:
    // How often the ages of the last reports are brought up to date.
    static constexpr int AgeRefreshMs = 10000;

    // The connection and the model outlive the dock.
    UnitsDock(ServerConnection *connection, ObjectsModel *objects, QWidget *parent = nullptr);

    QTreeView *view() const { return m_view; }

signals:
    // A unit's row was double-clicked or activated with Enter.
    void unitActivated(qint32 unitId);

private:
    struct Node
    {
        qint32 id = 0; // 0: none, the top level
        bool unit = false;
        QString name;
        qint32 groupId = 0; // the group a new node goes into from here
    };

    Node nodeAt(const QModelIndex &index) const;
    void showMenu(const QPoint &pos);
    void addNode(const Node &at, bool unit);
    void rename(const Node &node);
    void moveNode(const Node &node);
    void deleteNode(const Node &node);
    void setDevice(const Node &node);
    // Every group as a path, the top level first; none within the node except.
    UnitDialog::Groups groups(qint32 except = 0) const;
    void send(const QByteArray &command, const QByteArray &body);
    void onReply(const QByteArray &command, const QByteArray &body);
    void onFailure(const RequestFailure &failure, PluginInterface *plugin);
    void changeAnswered();

    ServerConnection *m_connection; // not owned
    ObjectsModel *m_objects;        // not owned
    QTreeView *m_view;
    QTimer *m_ages;
    int m_unanswered = 0; // edits sent and not yet answered
    // The device and key of each unit being added, in the order asked.
    struct Device
    {
        QString id;
        QString key;
    };
    QQueue<Device> m_adding;
};

#endif // UNITSDOCK_H
