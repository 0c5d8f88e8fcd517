#include "DrawDock.h"

#include "MapCanvas.h"
#include "ShapeLink.h"

#include "icons/MapIcons.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QSpinBox>
#include <QToolBar>
#include <QUndoStack>
#include <QVBoxLayout>

namespace {

constexpr int MaxWidth = 5000; // metres
constexpr int DefaultWidth = 30;
const QColor ShapeColor(0, 92, 200);
const QColor ShapeBrush(0, 92, 200, 60);
// The editable shapes while the desk shows.
const QColor EditableOutline(120, 40, 160);

} // namespace

// While the desk shows and no shape is being drawn: the shapes of the
// editable layers drawn over the map, and a click on one hands it over.
class DrawDock::PickTool : public MapTool
{
public:
    explicit PickTool(DrawDock &dock)
        : m_dock(dock)
    {
    }

    bool press(const QPointF &pixel, Qt::MouseButton button,
               const MapProjection &projection) override
    {
        if (button != Qt::LeftButton)
            return false;
        const GraphObData found =
            m_dock.m_catalog.objectAt(pixel, projection, DrawTool::PickTolerance);
        if (found.id == 0)
            return false;
        m_dock.picked(found);
        return true;
    }
    bool move(const QPointF &, Qt::MouseButtons, const MapProjection &) override { return false; }
    bool release(const QPointF &, Qt::MouseButton, const MapProjection &) override
    {
        return false;
    }
    bool doubleClick(const QPointF &, const MapProjection &) override { return false; }
    void paint(QPainter &painter, const MapProjection &projection) const override
    {
        painter.save();
        painter.setPen(QPen(EditableOutline, 1.5, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        for (const GraphObData &object : m_dock.m_catalog.objects()) {
            const ShapeDraft shape(object);
            const QPolygonF outline = shape.toScreen(projection);
            if (shape.kind() == GraphKind::Polygon || shape.kind() == GraphKind::Circle)
                painter.drawPolygon(outline);
            else if (outline.size() > 1)
                painter.drawPolyline(outline);
            else if (!outline.isEmpty())
                painter.drawEllipse(outline.first(), 5, 5);
        }
        painter.restore();
    }

private:
    DrawDock &m_dock;
};

DrawDock::DrawDock(ShapeLink *link, QWidget *parent)
    : QDockWidget(tr("Drawing"), parent)
    , m_link(link)
    , m_undo(new QUndoStack(this))
    , m_tool(new DrawTool(m_undo, this))
    , m_picker(std::make_unique<PickTool>(*this))
{
    setObjectName(QStringLiteral("drawDock"));
    auto *box = new QWidget(this);
    auto *column = new QVBoxLayout(box);
    buildTools(box);
    auto *form = new QFormLayout;
    auto *layerRow = new QHBoxLayout;
    m_layer = new QComboBox(box);
    m_layer->setObjectName(QStringLiteral("drawLayer"));
    m_layer->setToolTip(tr("The layer new shapes go into"));
    layerRow->addWidget(m_layer, 1);
    auto *addLayer = new QToolBar(box);
    addLayer->addAction(action("newLayer"));
    layerRow->addWidget(addLayer);
    form->addRow(tr("Layer:"), layerRow);
    m_name = new QLineEdit(box);
    m_name->setObjectName(QStringLiteral("drawName"));
    m_name->setPlaceholderText(tr("Name of the shape"));
    form->addRow(tr("Name:"), m_name);
    m_width = new QSpinBox(box);
    m_width->setObjectName(QStringLiteral("drawWidth"));
    m_width->setRange(1, MaxWidth);
    m_width->setValue(DefaultWidth);
    m_width->setSuffix(tr(" m"));
    m_width->setToolTip(tr("How wide a corridor is"));
    form->addRow(tr("Width:"), m_width);
    m_icon = new QComboBox(box);
    m_icon->setObjectName(QStringLiteral("drawIcon"));
    for (const MapIcons::Icon &icon : MapIcons::all())
        m_icon->addItem(QIcon(QPixmap::fromImage(MapIcons::picture(icon.path))),
                        QCoreApplication::translate("GraphObIconText", icon.name),
                        QString::fromLatin1(icon.name));
    form->addRow(tr("Icon:"), m_icon);
    column->addLayout(form);
    // Two rows: the undo texts name their step and need the room.
    for (const auto &row : {std::initializer_list<const char *>{"undo", "redo", "deletePoint"},
                            std::initializer_list<const char *>{"save", "deleteShape", "cancel"}}) {
        auto *commands = new QToolBar(box);
        for (const char *name : row)
            commands->addAction(action(name));
        column->addWidget(commands);
    }
    m_status = new QLabel(box);
    m_status->setObjectName(QStringLiteral("drawStatus"));
    m_status->setWordWrap(true);
    column->addWidget(m_status);
    column->addStretch(1);
    setWidget(box);

    // A dock behind another's tab is "visible" to Qt, yet not on screen.
    connect(this, &QDockWidget::visibilityChanged, this, &DrawDock::onScreenChanged);
    connect(m_tool, &DrawTool::changed, this, &DrawDock::updateState);
    connect(m_undo, &QUndoStack::indexChanged, this, &DrawDock::updateState);
    // Whoever stored something, the layers are read again.
    connect(m_link, &ShapeLink::layersChanged, this, &DrawDock::refreshLayers);
    connect(m_name, &QLineEdit::editingFinished, this, [this] { m_tool->setName(m_name->text()); });
    connect(m_width, QOverload<int>::of(&QSpinBox::valueChanged), this, [this](int width) {
        if (m_tool->draft().kind() == GraphKind::Line)
            m_tool->setProperty(GraphProperty::Width, width, tr("Change width"));
    });
    connect(m_icon, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this] {
        if (m_tool->draft().kind() == GraphKind::IconText)
            m_tool->setProperty(GraphProperty::IconName, m_icon->currentData(), tr("Change icon"));
    });
    updateState();
}

DrawDock::~DrawDock()
{
    setCanvas(nullptr);
}

void DrawDock::buildTools(QWidget *box)
{
    const auto add = [this](const char *name, const QString &text, const QString &tip) {
        auto *action = new QAction(text, this);
        action->setObjectName(QLatin1String(name));
        action->setToolTip(tip);
        return action;
    };
    m_tools = new QActionGroup(this);
    const struct
    {
        const char *name;
        GraphKind kind;
        QString text;
        QString tip;
    } kinds[] = {
        {"drawPolygon", GraphKind::Polygon, tr("Polygon"),
         tr("Click the corners; double-click or click the first corner to close it")},
        {"drawCorridor", GraphKind::Line, tr("Corridor"),
         tr("Click the points of the line; double-click the last one")},
        {"drawCircle", GraphKind::Circle, tr("Circle"),
         tr("Press at the centre and drag out to the rim")},
        {"drawIcon", GraphKind::IconText, tr("Icon"), tr("Click where the icon stands")},
    };
    auto *bar = new QToolBar(box);
    for (const auto &kind : kinds) {
        QAction *action = add(kind.name, kind.text, kind.tip);
        action->setCheckable(true);
        m_tools->addAction(action);
        bar->addAction(action);
        const GraphKind shape = kind.kind;
        connect(action, &QAction::triggered, this, [this, shape] { startShape(shape); });
    }
    QAction *pick = add("drawPick", tr("Edit…"),
                        tr("Click a shape of an editable layer on the map to edit it"));
    pick->setCheckable(true);
    m_tools->addAction(pick);
    bar->addAction(pick);
    connect(pick, &QAction::triggered, this, &DrawDock::startPicking);
    box->layout()->addWidget(bar);

    QAction *undo = m_undo->createUndoAction(this, tr("Undo"));
    undo->setObjectName(QStringLiteral("undo"));
    QAction *redo = m_undo->createRedoAction(this, tr("Redo"));
    redo->setObjectName(QStringLiteral("redo"));
    connect(add("newLayer", tr("New layer…"), tr("Make a new top-level layer to draw into")),
            &QAction::triggered, this, &DrawDock::newLayer);
    QAction *deletePoint = add("deletePoint", tr("Delete point"), tr("Delete the selected point"));
    deletePoint->setShortcut(QKeySequence::Delete);
    deletePoint->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(deletePoint, &QAction::triggered, m_tool, &DrawTool::deleteSelectedVertex);
    connect(add("deleteShape", tr("Delete shape"), tr("Delete the shape from its layer")),
            &QAction::triggered, this, &DrawDock::deleteShape);
    connect(add("save", tr("Save shape"), tr("Store the shape in its layer")),
            &QAction::triggered, this, &DrawDock::save);
    connect(add("cancel", tr("Cancel"), tr("Drop the shape being drawn")), &QAction::triggered,
            this, &DrawDock::cancel);
}

QAction *DrawDock::action(const char *objectName) const
{
    return findChild<QAction *>(QLatin1String(objectName));
}

void DrawDock::setCanvas(MapCanvas *canvas)
{
    if (m_canvas && (m_canvas->tool() == m_tool || m_canvas->tool() == m_picker.get()))
        m_canvas->setTool(nullptr);
    m_canvas = canvas;
    if (!m_canvas)
        return;
    if (m_tool->isActive())
        m_canvas->setTool(m_tool);
    else if (m_onScreen)
        m_canvas->setTool(m_picker.get());
    connect(m_tool, &DrawTool::changed, m_canvas, qOverload<>(&QWidget::update),
            Qt::UniqueConnection);
}

void DrawDock::refreshLayers()
{
    // A hidden dock does not need the layers, which may be large.
    m_stale = true;
    if (m_onScreen)
        readLayersThen({});
}

void DrawDock::readLayersThen(std::function<void()> then)
{
    m_stale = false;
    m_link->readLayers([this, then](const QByteArray &tree) {
        // Not read now (no link): read once the link comes back or the desk shows.
        m_stale = tree.isEmpty();
        onLayersRead(tree);
        if (then)
            then();
    });
}

void DrawDock::onScreenChanged(bool onScreen)
{
    m_onScreen = onScreen;
    if (onScreen) {
        if (m_stale)
            readLayersThen({});
        if (m_canvas && !m_canvas->tool())
            m_canvas->setTool(m_picker.get());
    } else if (m_canvas && m_canvas->tool() == m_picker.get()) {
        // A shape half drawn stays on the map; picking stops with the desk.
        m_canvas->setTool(nullptr);
    }
}

QVariantMap DrawDock::lookFor(GraphKind kind) const
{
    QVariantMap look{{QLatin1String(GraphProperty::Color), ShapeColor}};
    switch (kind) {
    case GraphKind::Line:
        look.insert(QLatin1String(GraphProperty::Width), m_width->value());
        break;
    case GraphKind::Polygon:
    case GraphKind::Circle:
        look.insert(QLatin1String(GraphProperty::Brush), ShapeBrush);
        break;
    case GraphKind::IconText:
        look = {{QLatin1String(GraphProperty::IconName), m_icon->currentData()}};
        break;
    default:
        break;
    }
    return look;
}

void DrawDock::startShape(GraphKind kind)
{
    m_tool->start(kind, lookFor(kind));
    m_tool->setName(m_name->text());
    m_undo->clear();
    if (m_canvas)
        m_canvas->setTool(m_tool);
    showStatus(m_tools->checkedAction() ? m_tools->checkedAction()->toolTip() : QString());
}

void DrawDock::startPicking()
{
    m_tool->clear();
    if (m_canvas)
        m_canvas->setTool(m_picker.get());
    showStatus(tr("Click a shape of an editable layer"));
}

void DrawDock::picked(const GraphObData &record)
{
    m_tool->edit(record);
    m_name->setText(record.name);
    const int layer = m_layer->findData(m_catalog.layerOf(record.id));
    if (layer >= 0)
        m_layer->setCurrentIndex(layer);
    if (m_canvas)
        m_canvas->setTool(m_tool);
    showStatus(tr("Drag points, edges or the shape; right-click a point to delete it"));
}

void DrawDock::newLayer()
{
    bool ok = false;
    const QString name = QInputDialog::getText(this, tr("New layer"), tr("Name of the layer:"),
                                               QLineEdit::Normal, QString(), &ok)
                             .trimmed();
    if (!ok || name.isEmpty())
        return;
    m_busy = true;
    m_link->addLayer(name, [this, name](qint32 id, const QString &error) {
        m_busy = false;
        m_pendingLayer = id;
        showStatus(id ? tr("Layer \"%1\" made").arg(name) : tr("No layer made: %1").arg(error));
        updateState();
    });
    updateState();
}

void DrawDock::save()
{
    const qint32 layerId = m_layer->currentData().toInt();
    if (!m_tool->draft().isComplete() || (layerId == 0 && m_tool->draft().record().id == 0))
        return;
    m_tool->setName(m_name->text().trimmed());
    m_busy = true;
    m_link->save(layerId, m_tool->draft().record(), [this](qint32 id, const QString &error) {
        onStored(id, error, false);
    });
    updateState();
}

void DrawDock::deleteShape()
{
    const GraphObData &record = m_tool->draft().record();
    if (record.id == 0)
        return;
    const auto answer = QMessageBox::question(
        this, tr("Delete shape"), tr("Delete \"%1\" from its layer?").arg(record.name),
        QMessageBox::Yes | QMessageBox::Cancel, QMessageBox::Cancel);
    if (answer != QMessageBox::Yes)
        return;
    m_busy = true;
    m_link->remove(record.id, [this](qint32 id, const QString &error) {
        onStored(id, error, true);
    });
    updateState();
}

void DrawDock::cancel()
{
    m_tool->clear();
    if (m_canvas)
        m_canvas->setTool(m_onScreen ? m_picker.get() : nullptr);
    if (QAction *checked = m_tools->checkedAction())
        checked->setChecked(false);
    showStatus(QString());
}

void DrawDock::onLayersRead(const QByteArray &treeBody)
{
    if (!m_catalog.load(treeBody)) {
        showStatus(tr("The server's layers could not be read"));
        return;
    }
    const qint32 wanted = m_pendingLayer ? m_pendingLayer : m_layer->currentData().toInt();
    m_pendingLayer = 0;
    m_layer->clear();
    for (const LayerCatalog::Layer &layer : m_catalog.editableLayers())
        m_layer->addItem(layer.path, layer.id);
    m_layer->setCurrentIndex(std::max(m_layer->findData(wanted), 0));
    if (m_canvas)
        m_canvas->update();
    updateState();
}

void DrawDock::onStored(qint32 objectId, const QString &error, bool deleted)
{
    m_busy = false;
    if (objectId == 0) {
        // The shape stays as drawn, to be saved again.
        showStatus(tr("Not stored: %1").arg(error));
        updateState();
        return;
    }
    const QString name = m_tool->draft().record().name;
    cancel();
    showStatus(deleted ? tr("Deleted \"%1\"").arg(name) : tr("Saved \"%1\"").arg(name));
}

void DrawDock::updateState()
{
    const ShapeDraft &draft = m_tool->draft();
    const bool editing = m_tool->isActive();
    action("save")->setEnabled(!m_busy && draft.isComplete()
                               && (draft.record().id != 0 || m_layer->count() > 0));
    action("deleteShape")->setEnabled(!m_busy && draft.record().id != 0);
    action("deletePoint")->setEnabled(editing && m_tool->selectedVertex() >= 0);
    action("cancel")->setEnabled(editing);
    action("newLayer")->setEnabled(!m_busy);
    if (m_layer->count() == 0 && !editing)
        showStatus(tr("No layer may be drawn into: make one with \"New layer…\""));
}

void DrawDock::showStatus(const QString &text)
{
    m_status->setText(text);
}
