// The host's map view: how its base and the plug-ins' primitive lists come out
// in pixels, pan and zoom, the map model moving one map of several.
#include <HostServices.h>
#include <MapBasePainter.h>
#include <MapCanvas.h>
#include <MapProjection.h>
#include <ObjectsModel.h>
#include <PrimitivePainter.h>
#include <ServerConnection.h>

#include <DemoDistrict.h>

#include <QPainter>
#include <QtTest>

#include <cmath>
#include <memory>

namespace {

const QColor Paper(Qt::white);

bool near(const QColor &a, const QColor &b)
{
    return std::abs(a.red() - b.red()) <= 12 && std::abs(a.green() - b.green()) <= 12
        && std::abs(a.blue() - b.blue()) <= 12;
}

#define QVERIFY_COLOUR(seen, wanted)                                                               \
    QVERIFY2(near(seen, wanted),                                                                   \
             qPrintable((seen).name() + QLatin1String(" wanted ") + QColor(wanted).name()))

// 800 x 600 pixels over the demo district, 4 x scale metres across.
void frame(MapCanvas &canvas, double scale)
{
    canvas.resize(800, 600);
    canvas.setCenter(DemoDistrict::centre());
    canvas.setScale(scale);
}

// A trace or polygon through the given points.
template <typename Trace>
std::unique_ptr<Trace> shape(const QList<QPoint> &points, const QPen &pen, const QBrush &brush)
{
    auto trace = std::make_unique<Trace>();
    trace->count = points.size();
    trace->points = new MapQt::MapPoint[size_t(points.size())];
    for (int i = 0; i < points.size(); ++i)
        trace->points[i] = MapQt::MapPoint{points[i].x(), points[i].y()};
    trace->pen = pen.style() == Qt::NoPen ? nullptr : new QPen(pen);
    trace->brush = brush.style() == Qt::NoBrush ? nullptr : new QBrush(brush);
    return trace;
}

} // namespace

class tst_HostMapCanvas : public QObject
{
    Q_OBJECT

private slots:
    void paintPrimitives();
    void layersOverTheBase();
    void inputMovesView_data();
    void inputMovesView();
    void mapModelMovesItsCanvasOnly();
    void baseTexts();
};

// One scene of every kind, each in its own band of a 400 x 400 view at 10 m a
// pixel, 1 degree north-east. Hidden ones have a fat pen, so that only their
// flags can hide them.
void tst_HostMapCanvas::paintPrimitives()
{
    const MapProjection view(QPointF(1e7, 1e7), 1000, QSize(400, 400));
    auto at = [&view](int x, int y) { return view.toMap(QPointF(x, y)).toPoint(); };
    auto square = [&at](int x, int y) {
        return QList<QPoint>{at(x, y), at(x + 100, y), at(x + 100, y + 100), at(x, y + 100)};
    };
    auto line = [&at](int y, int width) {
        return shape<MapQt::MapTrace>({at(20, y), at(380, y)}, QPen(Qt::red, width), Qt::NoBrush);
    };
    const auto trace = line(40, 3), inHiddenList = line(240, 40), hidden = line(300, 40);
    hidden->visible = false;
    const auto filled = shape<MapQt::MapPolygon>(square(20, 100), Qt::NoPen, QBrush(Qt::blue));
    const auto hollow = shape<MapQt::MapPolygon>(square(200, 100), QPen(Qt::magenta, 3),
                                                 Qt::NoBrush);
    // (0, 0) lies far to the lower left, on the line from the last real point
    // down to the left at 45 degrees.
    const auto trailing = shape<MapQt::MapTrace>({at(380, 350), at(300, 350), QPoint(0, 0)},
                                                 QPen(Qt::red, 3), Qt::NoBrush);
    MapQt::MapCar car;
    car.x = at(60, 360).x(), car.y = at(60, 360).y();
    car.pixmap = QPixmap(9, 9);
    car.pixmap.fill(Qt::green);
    car.text = QStringLiteral("Car 7");
    MapQt::PrimitiveList shown{{trace.get(), filled.get(), hollow.get(), hidden.get(),
                                trailing.get(), &car},
                               true, false};
    MapQt::PrimitiveList notShown{{inHiddenList.get()}, false, false};
    MapQt::LayerGroup group{0, 0, {&shown, &notShown}};
    QList<MapQt::LayerGroup *> groups{&group};
    MapQt::LayerTable layers;
    layers.insert(7, &groups);

    QImage image(400, 400, QImage::Format_ARGB32);
    image.fill(Paper);
    QPainter painter(&image);
    PrimitivePainter::paint(painter, view, layers);
    painter.end();
    const QList<QPair<QPoint, QColor>> probes{
        {{200, 40}, Qt::red},      {{200, 50}, Paper},   // a trace: its pen, nothing beside
        {{70, 150}, Qt::blue},     {{140, 150}, Paper},  // a polygon: its brush inside only
        {{250, 150}, Paper},       {{200, 150}, Qt::magenta}, // no brush: hollow, its outline
        {{200, 240}, Paper},       {{200, 300}, Paper},  // hidden list, hidden primitive
        {{280, 370}, Paper},       {{340, 350}, Qt::red}, // no line to a trailing (0, 0)
        {{60, 360}, Qt::green}};                         // a car's picture on its place
    for (const auto &probe : probes)
        QVERIFY_COLOUR(image.pixelColor(probe.first), probe.second);
    QCOMPARE(PrimitivePainter::visibleCount(layers), 5);
    // A car's caption sits right of its picture: some dark text pixels there.
    int dark = 0;
    for (int i = 0; i < 44 * 20; ++i)
        dark += image.pixelColor(66 + i / 20, 350 + i % 20).lightness() < 100;
    QVERIFY(dark > 10);
}

// A plug-in's layer lies over the base, where Station Road runs through the
// centre and the river to the south-west. The canvas owns the groups and
// lists, never the shapes: dropping them keeps the lists, deleting the canvas
// leaves the shapes usable.
void tst_HostMapCanvas::layersOverTheBase()
{
    auto canvas = std::make_unique<MapCanvas>(1, QString());
    frame(*canvas, 1600);
    auto pixel = [&canvas](const QPoint &p) { return canvas->projection().toScreen(p).toPoint(); };
    // 6400 m across 800 pixels: 8 m a pixel.
    QCOMPARE(pixel(DemoDistrict::offset(800, 800)), QPoint(500, 200));
    const QPoint river = DemoDistrict::offset(-2600, -1325);
    const QImage base = canvas->render();
    QVERIFY_COLOUR(base.pixelColor(pixel(DemoDistrict::centre())), QColor(252, 214, 140));
    QVERIFY_COLOUR(base.pixelColor(pixel(river)), QColor(160, 200, 228));

    auto *first = new MapQt::PrimitiveList{{}, true, false};
    auto *second = new MapQt::PrimitiveList{{}, false, true};
    auto *groups = new QList<MapQt::LayerGroup *>{new MapQt::LayerGroup{0, 0, {first}},
                                                   new MapQt::LayerGroup{0, 0, {second}}};
    canvas->layers()->insert(99, groups);
    const QPoint d(5000, 5000);
    auto patch = shape<MapQt::MapPolygon>({river - d, river + QPoint(d.x(), -d.y()), river + d},
                                          Qt::NoPen, QBrush(QColor(200, 0, 200)));
    first->primitives << patch.get();
    second->primitives << patch.get();
    const QPoint inside = pixel(river + QPoint(2000, 0));
    QVERIFY_COLOUR(canvas->render().pixelColor(inside), QColor(200, 0, 200));

    canvas->dropPrimitives();
    QVERIFY(first->primitives.isEmpty() && second->primitives.isEmpty());
    QVERIFY(canvas->layers()->value(99) == groups && groups->size() == 2);
    QVERIFY_COLOUR(canvas->render().pixelColor(inside), QColor(160, 200, 228));
    first->primitives << patch.get();
    canvas.reset();
    QVERIFY(patch->count == 3 && patch->points[2].x == (river + d).x());
}

void tst_HostMapCanvas::inputMovesView_data()
{
    QTest::addColumn<int>("angle"); // of the wheel; 0: a drag instead
    QTest::addColumn<QPointF>("pointer");
    QTest::addColumn<double>("scale");

    const QPointF corner(150, 420);
    QTest::newRow("wheel, one notch in") << 120 << corner << 800.0;
    QTest::newRow("wheel, two notches out") << -240 << corner << 1562.5;
    // At the centre: a corner anchor would push the centre off the globe.
    QTest::newRow("wheel far out: stops at the largest scale")
        << -120 * 40 << QPointF(400, 300) << MapProjection::MaxScale;
    QTest::newRow("wheel far in: stops at the smallest scale")
        << 120 * 32 << QPointF(700, 100) << MapProjection::MinScale;
    QTest::newRow("drag: pans, the same scale") << 0 << QPointF(400, 300) << 1000.0;
}

// The map point under the pointer stays under it: where the wheel turned, or
// where the drag let go.
void tst_HostMapCanvas::inputMovesView()
{
    QFETCH(int, angle);
    QFETCH(QPointF, pointer);
    QFETCH(double, scale);

    MapCanvas canvas(1, QString());
    frame(canvas, 1000);
    const QPointF to = angle ? pointer : QPointF(250, 380);
    const QPointF held = canvas.projection().toMap(pointer);
    QSignalSpy changes(&canvas, &MapCanvas::viewChanged);
    auto mouse = [&canvas](QEvent::Type type, const QPointF &at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, canvas.mapToGlobal(at.toPoint()),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(&canvas, &event);
    };
    if (angle) {
        QWheelEvent wheel(pointer, canvas.mapToGlobal(pointer.toPoint()), QPoint(),
                          QPoint(0, angle), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&canvas, &wheel);
        QCOMPARE(changes.count(), 1);
    } else {
        mouse(QEvent::MouseButtonPress, pointer, Qt::LeftButton);
        mouse(QEvent::MouseMove, (pointer + to) / 2, Qt::LeftButton);
        mouse(QEvent::MouseMove, to, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, to, Qt::NoButton);
        mouse(QEvent::MouseMove, QPointF(10, 10), Qt::NoButton); // released: moves freely
    }
    QVERIFY(std::abs(canvas.projection().scale() - scale) < 1e-6);
    QVERIFY(QLineF(canvas.projection().toScreen(held), to).length() < 0.5);
}

// Each map its own contexts and layers; none for a map that is not there, and
// the model's calls for it move nothing.
void tst_HostMapCanvas::mapModelMovesItsCanvasOnly()
{
    ServerConnection connection("OperCheck_Server1");
    ObjectsModel objects;
    HostServices services(&connection, &objects);
    MapCanvas city(1, QStringLiteral("City"));
    MapCanvas region(2, QStringLiteral("Region"));
    for (MapCanvas *canvas : {&city, &region}) {
        frame(*canvas, 1700);
        services.addMap(canvas);
    }
    void *const view = services.GetViewContext(1), *const map = services.GetMapContext(1);
    QVERIFY(view && map && view != services.GetViewContext(2) && map != services.GetMapContext(2));
    QCOMPARE(services.GetLayers(2), region.layers());
    QVERIFY(!services.GetMapContext(3) && !services.GetLayers(3) && !services.GetViewContext(3));

    MapModel *model = services.GetMapModel();
    QSignalSpy cityViews(&city, &MapCanvas::viewChanged);
    const QPoint station = DemoDistrict::offset(300, 2200);
    for (int mapId : {1, 5}) {
        model->SetScale(250, mapId, model->GetViewContext(mapId));
        model->SetCenter(station.x(), station.y(), mapId, model->GetViewContext(mapId));
        model->Refresh(mapId);
    }
    QCOMPARE(cityViews.count(), 2);
    // Stable as the view changes.
    QVERIFY(services.GetViewContext(1) == view && services.GetMapContext(1) == map);
    for (MapCanvas *canvas : {&city, &region}) {
        const QRectF area = canvas->projection().visibleArea();
        const double y = area.center().y() * MapProjection::UnitToRadian;
        const double metresAcross =
            area.width() * MapProjection::UnitToRadian * MapProjection::EarthRadius * std::cos(y);
        const bool moved = canvas == &city;
        QCOMPARE(qRound(metresAcross), 4 * (moved ? 250 : 1700));
        QVERIFY(QLineF(area.center(), moved ? station : DemoDistrict::centre()).length() < 1);
    }
}

void tst_HostMapCanvas::baseTexts()
{
    using namespace MapBasePainter;
    using Values = QVector<double>;
    // Grid steps: 1, 2 or 5 times a power of ten, at least 100 pixels apart, at least one unit.
    QCOMPARE(Values({gridStep(10.0, 100), gridStep(10.1, 100), gridStep(30.0, 100),
                     gridStep(0.0001, 100)}),
             Values({1000, 2000, 5000, 1}));
    // Scale bars: the largest 1, 2 or 5 times a power of ten that fits, at least a metre.
    QCOMPARE(Values({scaleBarMetres(500.0), scaleBarMetres(499.0), scaleBarMetres(2500.0),
                     scaleBarMetres(0.2)}),
             Values({500, 200, 2000, 1}));
    // As many places as the step needs; hemispheres by letter.
    QCOMPARE(QStringList({latitudeText(374250000.0, 50000.0), longitudeText(500000000.0, 1e7),
                          latitudeText(-123400000.0, 1e6), longitudeText(-123400000.0, 1e6),
                          distanceText(200.0), distanceText(1000.0)}),
             QStringList({"37.425° N", "50° E", "12.3° S", "12.3° W", "200 m", "1 km"}));
}

QTEST_MAIN(tst_HostMapCanvas)
#include "tst_host_mapcanvas.moc"
