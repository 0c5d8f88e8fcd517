#ifndef OPERATIVECHECK_H
#define OPERATIVECHECK_H

#include "dialogs/DialogListObjects.h"
#include "dialogs/DialogSelectGraphObj.h"
#include "panel/OperativeBase.h"

#include <QPoint>

#include <memory>

class NodeRequests;
class QMenu;
class RouteEditActions;
class RouteMap;
class RouteMenu;
class RouteProperties;
class RouteTree;

// The route-check panel, the plug-in object the host loads: loads the
// server's rule and layer trees, edits routes and sections, switches checking
// and colours section shapes by live state. It wires the route-check parts
// (tree operations, map drawing, property rows, toolbar and context menu)
// to the panel and answers the host and the operator through its slots.
class OperativeCheck : public OperativeBase
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "com.orvind.Halvo5.PluginInterface/1.0")
    Q_INTERFACES(PluginInterface)

public:
    OperativeCheck();
    ~OperativeCheck() override;

    // PluginInterface
    QString GetPluginName() override;
    QString GetName() override;
    void OnClose(QEvent *event) override;

    // SupportTreeLayers
    void ReadItemPayload(QStandardItem *item, QDataStream &in) override;
    void ItemChecked(QStandardItem *item, bool checked) override;
    qint64 ItemKey(QStandardItem *item) override;

    DialogListObjects &objectsDialog() { return m_objectsDialog; }
    DialogSelectGraphObj &graphObjDialog() { return m_graphObjDialog; }
    QMenu *contextMenu() const;
    const RouteEditActions &editActions() const { return *m_editActions; }

public slots:
    void onMainItemDblClicked(QModelIndex index);
    void onContextMenuRequested(QPoint pos);
    void onShowOnMap();
    void onAddRouteClicked();
    void onDelRouteClicked();
    void onAddSectClicked();
    void onDelSectClicked();
    void onSelObjsClicked();
    void onSelObjsAccepted();
    void onSelGObjClicked();
    void onSelGObjAccepted();
    void onSetCheckMode();
    void onNewGroup();
    void onNewRoute();
    void onRenameNode();

protected:
    // OperativeBase
    void resetTree() override;
    void requestTrees() override;
    void handleReply(const QString &command, QDataStream &body) override;
    void showProperties(QStandardItem *item) override;
    EditTarget &editTarget() override;
    bool acceptPropertyChange(const QModelIndex &mainIndex, const QModelIndex &propertyIndex,
                              const QVariant &value) override;
    void leavingMap() override;
    void enteredMap() override;
    bool saveMustWait() const override;
    void deleteCurrentRow() override;

private:
    class CommandPort;

    QStandardItem *itemAt(const QModelIndex &index) const;
    QStandardItem *currentMainItem() const;
    // The row the context menu acts on: the first selected one.
    QModelIndex selectedIndex() const;
    // Where a new node goes for the current row: under a group, beside a route
    // or section's node; invalid for the top level.
    QModelIndex newNodeParent() const;
    // Whether the current row's type bits allow the node edits.
    bool canAddNode() const;
    bool canRename() const;
    void addNode(bool withRoute);
    // Asks the operator for a name; empty when cancelled.
    QString askName(const QString &title, const QString &label, const QString &text);
    void takeFailure(const QByteArray &body);

    DialogListObjects m_objectsDialog;
    DialogSelectGraphObj m_graphObjDialog;
    std::unique_ptr<RouteMenu> m_menu;
    std::unique_ptr<RouteEditActions> m_editActions;
    std::unique_ptr<RouteMap> m_map;
    std::unique_ptr<RouteTree> m_tree;
    std::unique_ptr<RouteProperties> m_properties;
    std::unique_ptr<NodeRequests> m_nodeRequests;
    std::unique_ptr<CommandPort> m_port;
};

#endif // OPERATIVECHECK_H
