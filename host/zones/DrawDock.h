#ifndef DRAWDOCK_H
#define DRAWDOCK_H

#include "DrawTool.h"
#include "LayerCatalog.h"

#include <QDockWidget>
#include <QPointer>

#include <functional>

class MapCanvas;
class QActionGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QUndoStack;
class ShapeLink;

// The operator's drawing desk: a layer to draw into (or a new one), a tool
// per kind of shape, the new shape's name and look, undo and redo, and saving
// through the server, which tells every other client. An existing shape of an
// editable layer is picked on the map to be edited or deleted.
class DrawDock : public QDockWidget
{
    Q_OBJECT

public:
    // The link outlives the dock.
    explicit DrawDock(ShapeLink *link, QWidget *parent = nullptr);
    ~DrawDock() override;

    // The map the tools draw on; null: none.
    void setCanvas(MapCanvas *canvas);
    const LayerCatalog &catalog() const { return m_catalog; }
    DrawTool *tool() const { return m_tool; }
    QUndoStack *undoStack() const { return m_undo; }
    // The layer tree changed on the server: read it again, now when the dock
    // shows, else once it does.
    void refreshLayers();
    // Reads the layers, then calls then.
    void readLayersThen(std::function<void()> then);

    QAction *action(const char *objectName) const;

private:
    class PickTool;

    void buildTools(QWidget *box);
    // The desk came into view (its tab raised, or shown) or went out of it.
    void onScreenChanged(bool onScreen);
    void startShape(GraphKind kind);
    void startPicking();
    void picked(const GraphObData &record);
    void newLayer();
    void save();
    void deleteShape();
    void cancel();
    void onLayersRead(const QByteArray &treeBody);
    // A save or deletion was answered: id 0 with why it failed.
    void onStored(qint32 objectId, const QString &error, bool deleted);
    void updateState();
    void showStatus(const QString &text);
    // The look a new shape of kind starts with.
    QVariantMap lookFor(GraphKind kind) const;

    ShapeLink *m_link; // not owned
    QUndoStack *m_undo;
    DrawTool *m_tool;
    std::unique_ptr<PickTool> m_picker;
    LayerCatalog m_catalog;
    QPointer<MapCanvas> m_canvas;
    QActionGroup *m_tools;
    QComboBox *m_layer;
    QLineEdit *m_name;
    QSpinBox *m_width;
    QComboBox *m_icon;
    QLabel *m_status;
    qint32 m_pendingLayer = 0; // picked or added, to select once the tree is read
    bool m_busy = false;       // a save or deletion waits for its answer
    bool m_stale = true;       // the layers changed since they were read
    bool m_onScreen = false;
};

#endif // DRAWDOCK_H
