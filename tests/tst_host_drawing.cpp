// Drawing and editing shapes on the host's map with real mouse events: what
// each gesture makes of the shape, one undo step per gesture, and the map
// still panning where no shape is hit.
#include <MapCanvas.h>
#include <MapProjection.h>
#include <zones/DrawTool.h>

#include <DemoDistrict.h>

#include <QUndoStack>
#include <QtTest>

namespace {

struct Gesture
{
    enum Kind { Click, DoubleClick, Drag, RightClick } kind;
    QPoint from;
    QPoint to = {};
};
using Gestures = QList<Gesture>;

// The square the edit rows start from, in pixels of the framed canvas.
const QList<QPoint> Square{{100, 100}, {200, 100}, {200, 200}, {100, 200}};

void send(QWidget *widget, QEvent::Type type, const QPoint &at, Qt::MouseButton button,
          Qt::MouseButtons buttons)
{
    QMouseEvent event(type, at, widget->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void perform(QWidget *canvas, const Gesture &gesture)
{
    switch (gesture.kind) {
    case Gesture::Click:
        QTest::mouseClick(canvas, Qt::LeftButton, {}, gesture.from);
        break;
    case Gesture::DoubleClick:
        QTest::mouseClick(canvas, Qt::LeftButton, {}, gesture.from);
        QTest::mouseDClick(canvas, Qt::LeftButton, {}, gesture.from);
        break;
    case Gesture::RightClick:
        QTest::mouseClick(canvas, Qt::RightButton, {}, gesture.from);
        break;
    case Gesture::Drag: {
        send(canvas, QEvent::MouseButtonPress, gesture.from, Qt::LeftButton, Qt::LeftButton);
        const QPoint middle = (gesture.from + gesture.to) / 2;
        send(canvas, QEvent::MouseMove, middle, Qt::NoButton, Qt::LeftButton);
        send(canvas, QEvent::MouseMove, gesture.to, Qt::NoButton, Qt::LeftButton);
        send(canvas, QEvent::MouseButtonRelease, gesture.to, Qt::LeftButton, Qt::NoButton);
        break;
    }
    }
}

QList<QPoint> inPixels(const QList<QPoint> &points, const MapProjection &projection)
{
    QList<QPoint> pixels;
    for (const QPoint &point : points)
        pixels << projection.toScreen(point).toPoint();
    return pixels;
}

} // namespace

Q_DECLARE_METATYPE(Gestures)

class TestHostDrawing : public QObject
{
    Q_OBJECT

private slots:
    void gestures_data();
    void gestures();
};

void TestHostDrawing::gestures_data()
{
    QTest::addColumn<int>("kind");       // GraphKind drawn; Abstract: edit the square
    QTest::addColumn<Gestures>("made");
    QTest::addColumn<QList<QPoint>>("pixels"); // the shape's points after
    QTest::addColumn<int>("steps");            // undo steps
    QTest::addColumn<int>("radius");           // a circle's, in pixels

    const int polygon = int(GraphKind::Polygon), line = int(GraphKind::Line),
              circle = int(GraphKind::Circle), icon = int(GraphKind::IconText),
              square = int(GraphKind::Abstract);
    using G = Gesture;
    QTest::newRow("polygon ended by a double click")
        << polygon << Gestures{{G::Click, {100, 100}}, {G::Click, {200, 100}},
                               {G::DoubleClick, {200, 200}}}
        << QList<QPoint>{{100, 100}, {200, 100}, {200, 200}} << 3 << 0;
    QTest::newRow("polygon closed on its first point")
        << polygon << Gestures{{G::Click, {100, 100}}, {G::Click, {200, 100}},
                               {G::Click, {200, 200}}, {G::Click, {103, 98}}}
        << QList<QPoint>{{100, 100}, {200, 100}, {200, 200}} << 3 << 0;
    QTest::newRow("corridor") << line
                              << Gestures{{G::Click, {50, 50}}, {G::DoubleClick, {150, 60}}}
                              << QList<QPoint>{{50, 50}, {150, 60}} << 2 << 0;
    QTest::newRow("circle dragged out")
        << circle << Gestures{{G::Drag, {300, 300}, {360, 300}}}
        << QList<QPoint>{{300, 300}} << 1 << 60;
    QTest::newRow("icon") << icon << Gestures{{G::Click, {120, 80}}}
                          << QList<QPoint>{{120, 80}} << 1 << 0;
    QTest::newRow("move a vertex")
        << square << Gestures{{G::Drag, {100, 100}, {90, 80}}}
        << QList<QPoint>{{90, 80}, {200, 100}, {200, 200}, {100, 200}} << 1 << 0;
    QTest::newRow("insert on an edge")
        << square << Gestures{{G::Drag, {150, 102}, {150, 90}}}
        << QList<QPoint>{{100, 100}, {150, 90}, {200, 100}, {200, 200}, {100, 200}} << 1 << 0;
    QTest::newRow("delete a vertex")
        << square << Gestures{{G::RightClick, {200, 200}}}
        << QList<QPoint>{{100, 100}, {200, 100}, {100, 200}} << 1 << 0;
    QTest::newRow("move the whole shape")
        << square << Gestures{{G::Drag, {150, 150}, {160, 170}}}
        << QList<QPoint>{{110, 120}, {210, 120}, {210, 220}, {110, 220}} << 1 << 0;
    QTest::newRow("a triangle keeps its three points")
        << square << Gestures{{G::RightClick, {200, 200}}, {G::RightClick, {100, 200}}}
        << QList<QPoint>{{100, 100}, {200, 100}, {100, 200}} << 1 << 0;
    QTest::newRow("off the shape the map pans")
        << square << Gestures{{G::Drag, {400, 300}, {420, 310}}}
        << QList<QPoint>{{120, 110}, {220, 110}, {220, 210}, {120, 210}} << 0 << 0;
}

// Each gesture leaves the shape as drawn; undoing every step gives back what
// there was before, redoing them what the gestures made.
void TestHostDrawing::gestures()
{
    QFETCH(int, kind);
    QFETCH(Gestures, made);
    QFETCH(QList<QPoint>, pixels);
    QFETCH(int, steps);
    QFETCH(int, radius);

    MapCanvas canvas(1, QStringLiteral("City"));
    canvas.resize(800, 600);
    canvas.setCenter(DemoDistrict::centre());
    canvas.setScale(500);
    QUndoStack undo;
    DrawTool tool(&undo);
    canvas.setTool(&tool);
    const MapProjection &projection = canvas.projection();
    GraphObData before;
    if (kind == int(GraphKind::Abstract)) {
        before.type = qint32(GraphKind::Polygon);
        for (const QPoint &pixel : Square) {
            const QPointF point = projection.toMap(pixel);
            before.points << QPoint(qRound(point.x()), qRound(point.y()));
        }
        tool.edit(before);
    } else {
        tool.start(GraphKind(kind), {{GraphProperty::Width, 30}});
        before = tool.draft().record();
    }
    for (const Gesture &gesture : qAsConst(made))
        perform(&canvas, gesture);

    const GraphObData after = tool.draft().record();
    QCOMPARE(inPixels(after.points, canvas.projection()), pixels);
    QVERIFY(!tool.isPlacing());
    QCOMPARE(undo.count(), steps);
    if (radius) {
        QCOMPARE(qRound(tool.draft().radius() / canvas.projection().metresPerPixel()), radius);
        QCOMPARE(after.properties.value(GraphProperty::Diameter).toInt(),
                 qRound(tool.draft().radius() * 2));
    }
    while (undo.canUndo())
        undo.undo();
    QCOMPARE(tool.draft().record().points, before.points);
    while (undo.canRedo())
        undo.redo();
    QCOMPARE(tool.draft().record().points, after.points);
}

QTEST_MAIN(TestHostDrawing)
#include "tst_host_drawing.moc"
