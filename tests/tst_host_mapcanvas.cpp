// The host's map view: what area a scale and centre show, how its base and the
// plug-ins' primitive lists come out in pixels, pan and zoom.
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
const QColor Water(160, 200, 228);
const QColor MajorStreet(252, 214, 140);

bool near(const QColor &a, const QColor &b, int tolerance = 12)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}

QString text(const QColor &color)
{
    return color.name(QColor::HexArgb);
}

// A layer table with one list, which the table does not own here.
struct OneList
{
    MapQt::PrimitiveList list{{}, true, false};
    MapQt::LayerGroup group{0, 0, {&list}};
    QList<MapQt::LayerGroup *> groups{&group};
    MapQt::LayerTable table;

    OneList() { table.insert(7, &groups); }
};

// A trace or polygon through the given points.
template <typename Trace>
std::unique_ptr<Trace> shape(const QList<QPoint> &points, const QPen &pen, const QBrush &brush)
{
    auto trace = std::make_unique<Trace>();
    trace->count = points.size();
    trace->points = new MapQt::MapPoint[size_t(points.size())];
    for (int i = 0; i < points.size(); ++i)
        trace->points[i] = MapQt::MapPoint{points[i].x(), points[i].y()};
    if (pen.style() != Qt::NoPen)
        trace->pen = new QPen(pen);
    if (brush.style() != Qt::NoBrush)
        trace->brush = new QBrush(brush);
    return trace;
}

enum class Case { Trace, Polygon, HiddenList, HiddenPrimitive, Car, TrailingOrigin, OutlineOnly };

} // namespace

Q_DECLARE_METATYPE(Case)

class tst_HostMapCanvas : public QObject
{
    Q_OBJECT

private slots:
    void visibleArea_data();
    void visibleArea();
    void districtOffsets_data();
    void districtOffsets();
    void zoomKeepsAnchor_data();
    void zoomKeepsAnchor();
    void panFollowsPointer_data();
    void panFollowsPointer();
    void mapModelMovesCanvas_data();
    void mapModelMovesCanvas();
    void contextsAreStablePerMap();
    void paintPrimitives_data();
    void paintPrimitives();
    void baseDrawsDistrict_data();
    void baseDrawsDistrict();
    void primitivesLieOverBase();
    void wheelZoomsAroundPointer_data();
    void wheelZoomsAroundPointer();
    void dragPans();
    void dropPrimitivesKeepsListsAndShapes();
    void gridStep_data();
    void gridStep();
    void coordinateTexts_data();
    void coordinateTexts();
    void scaleBar_data();
    void scaleBar();
};

void tst_HostMapCanvas::visibleArea_data()
{
    QTest::addColumn<QPointF>("centre");
    QTest::addColumn<double>("scale");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<double>("unitsAcross");
    QTest::addColumn<double>("unitsHigh");

    // 4000 m at the equator are 359 325.9 units; at 60 degrees a unit of
    // longitude is half as long, so twice as many fit.
    QTest::newRow("equator, square view") << QPointF(0, 0) << 1000.0 << QSize(400, 400)
                                          << 359325.9 << 359325.9;
    QTest::newRow("equator, wide view: height follows the widget")
        << QPointF(0, 0) << 1000.0 << QSize(800, 200) << 359325.9 << 89831.5;
    QTest::newRow("60 N: longitude squeezed by the cosine")
        << QPointF(0, 6e8) << 1000.0 << QSize(400, 400) << 718651.9 << 359325.9;
    QTest::newRow("60 S: the same") << QPointF(1e8, -6e8) << 1000.0 << QSize(400, 200)
                                    << 718651.9 << 179662.97;
    QTest::newRow("Northbrook, 6.8 km across")
        << QPointF(DemoDistrict::centre()) << 1700.0 << QSize(1000, 500) << 1083708.3
        << 305427.05;
    QTest::newRow("scale 0 is held at 1: 4 m across") << QPointF(0, 0) << 0.0 << QSize(400, 400)
                                                      << 359.3259 << 359.3259;
}

void tst_HostMapCanvas::visibleArea()
{
    QFETCH(QPointF, centre);
    QFETCH(double, scale);
    QFETCH(QSize, size);
    QFETCH(double, unitsAcross);
    QFETCH(double, unitsHigh);

    const MapProjection projection(centre, scale, size);
    const QRectF area = projection.visibleArea();
    QVERIFY2(std::abs(area.width() - unitsAcross) < unitsAcross * 1e-5,
             qPrintable(QString::number(area.width(), 'f', 2)));
    QVERIFY2(std::abs(area.height() - unitsHigh) < unitsHigh * 1e-5,
             qPrintable(QString::number(area.height(), 'f', 2)));
    QVERIFY(std::abs(area.center().x() - centre.x()) < 1e-3);
    QVERIFY(std::abs(area.center().y() - centre.y()) < 1e-3);
    // North is up: the top edge of the widget is the north edge of the area.
    QVERIFY(projection.toScreen(QPointF(centre.x(), area.bottom())).y() < 1e-6);
}

void tst_HostMapCanvas::districtOffsets_data()
{
    QTest::addColumn<double>("east");
    QTest::addColumn<double>("north");
    QTest::addColumn<QPointF>("pixel");

    // 6400 m across 800 pixels: 8 m a pixel, centre at (400, 300).
    QTest::newRow("centre") << 0.0 << 0.0 << QPointF(400, 300);
    QTest::newRow("800 m east") << 800.0 << 0.0 << QPointF(500, 300);
    QTest::newRow("800 m north is up") << 0.0 << 800.0 << QPointF(400, 200);
    QTest::newRow("south-west corner") << -3200.0 << -2400.0 << QPointF(0, 600);
    QTest::newRow("beyond the view") << 4000.0 << 0.0 << QPointF(900, 300);
}

void tst_HostMapCanvas::districtOffsets()
{
    QFETCH(double, east);
    QFETCH(double, north);
    QFETCH(QPointF, pixel);

    const MapProjection projection(DemoDistrict::centre(), 1600, QSize(800, 600));
    const QPoint point = DemoDistrict::offset(east, north);
    const QPointF screen = projection.toScreen(point);
    QVERIFY2(QLineF(screen, pixel).length() < 0.05,
             qPrintable(QStringLiteral("%1, %2").arg(screen.x()).arg(screen.y())));
    const QPointF back = projection.toMap(pixel);
    QVERIFY(QLineF(back, QPointF(point)).length() < 2);
}

void tst_HostMapCanvas::zoomKeepsAnchor_data()
{
    QTest::addColumn<QPointF>("pixel");
    QTest::addColumn<double>("factor");
    QTest::addColumn<double>("scale");

    QTest::newRow("in at a corner") << QPointF(10, 20) << 0.5 << 500.0;
    QTest::newRow("out at the far corner") << QPointF(790, 590) << 4.0 << 4000.0;
    QTest::newRow("in at the centre") << QPointF(400, 300) << 0.8 << 800.0;
    // At the centre: a corner anchor would push the centre off the globe.
    QTest::newRow("out past the largest scale stops there")
        << QPointF(400, 300) << 1e9 << MapProjection::MaxScale;
    QTest::newRow("in past the smallest scale stops there")
        << QPointF(700, 100) << 1e-9 << MapProjection::MinScale;
}

void tst_HostMapCanvas::zoomKeepsAnchor()
{
    QFETCH(QPointF, pixel);
    QFETCH(double, factor);
    QFETCH(double, scale);

    MapProjection projection(DemoDistrict::centre(), 1000, QSize(800, 600));
    const QPointF anchor = projection.toMap(pixel);
    projection.zoomAt(pixel, factor);
    QCOMPARE(projection.scale(), scale);
    const QPointF after = projection.toScreen(anchor);
    QVERIFY2(QLineF(after, pixel).length() < 0.5,
             qPrintable(QStringLiteral("%1, %2").arg(after.x()).arg(after.y())));
}

void tst_HostMapCanvas::panFollowsPointer_data()
{
    QTest::addColumn<QPointF>("delta");

    QTest::newRow("right") << QPointF(120, 0);
    QTest::newRow("up and left") << QPointF(-40, -75);
    QTest::newRow("nothing") << QPointF(0, 0);
}

void tst_HostMapCanvas::panFollowsPointer()
{
    QFETCH(QPointF, delta);

    MapProjection projection(DemoDistrict::centre(), 1000, QSize(800, 600));
    const QPointF grabbed(300, 200);
    const QPointF point = projection.toMap(grabbed);
    projection.panBy(delta);
    QVERIFY(QLineF(projection.toScreen(point), grabbed + delta).length() < 0.5);
    QCOMPARE(projection.scale(), 1000.0);
}

void tst_HostMapCanvas::mapModelMovesCanvas_data()
{
    QTest::addColumn<int>("mapId");
    QTest::addColumn<int>("scale");
    QTest::addColumn<QPoint>("centre");
    QTest::addColumn<bool>("moved");

    const QPoint station = DemoDistrict::offset(300, 2200);
    QTest::newRow("city map") << 1 << 250 << station << true;
    QTest::newRow("region map") << 2 << 9000 << DemoDistrict::offset(-3000, 0) << true;
    QTest::newRow("unknown map: nothing moves") << 5 << 250 << station << false;
}

void tst_HostMapCanvas::mapModelMovesCanvas()
{
    QFETCH(int, mapId);
    QFETCH(int, scale);
    QFETCH(QPoint, centre);
    QFETCH(bool, moved);

    ServerConnection connection("OperCheck_Server1");
    ObjectsModel objects;
    HostServices services(&connection, &objects);
    MapCanvas city(1, QStringLiteral("City"));
    MapCanvas region(2, QStringLiteral("Region"));
    city.resize(640, 480);
    region.resize(640, 480);
    city.setScale(1700);
    region.setScale(1700);
    city.setCenter(DemoDistrict::centre());
    region.setCenter(DemoDistrict::centre());
    services.addMap(&city);
    services.addMap(&region);

    MapModel *model = services.GetMapModel();
    QVERIFY(model);
    QSignalSpy cityViews(&city, &MapCanvas::viewChanged);
    model->SetScale(scale, mapId, model->GetViewContext(mapId));
    model->SetCenter(centre.x(), centre.y(), mapId, model->GetViewContext(mapId));
    model->Refresh(mapId);

    for (MapCanvas *canvas : {&city, &region}) {
        const bool target = moved && canvas->mapId() == mapId;
        const MapProjection &projection = canvas->projection();
        const QRectF area = projection.visibleArea();
        const double latitude = area.center().y() * MapProjection::UnitToRadian;
        const double metresAcross = area.width() * MapProjection::UnitToRadian
            * MapProjection::EarthRadius * std::cos(latitude);
        QCOMPARE(qRound(metresAcross), target ? 4 * scale : 4 * 1700);
        const QPointF expectedCentre = target ? QPointF(centre) : QPointF(DemoDistrict::centre());
        QVERIFY(QLineF(area.center(), expectedCentre).length() < 1);
    }
    QCOMPARE(cityViews.count(), moved && mapId == 1 ? 2 : 0);
}

void tst_HostMapCanvas::contextsAreStablePerMap()
{
    ServerConnection connection("OperCheck_Server1");
    ObjectsModel objects;
    HostServices services(&connection, &objects);
    MapCanvas city(1, QStringLiteral("City"));
    MapCanvas region(2, QStringLiteral("Region"));
    services.addMap(&city);
    services.addMap(&region);

    void *cityMap = services.GetMapContext(1);
    void *cityView = services.GetViewContext(1);
    QVERIFY(cityMap);
    QVERIFY(cityView);
    city.setScale(20);
    city.resize(300, 300);
    QCOMPARE(services.GetMapContext(1), cityMap);
    QCOMPARE(services.GetViewContext(1), cityView);
    QVERIFY(services.GetMapContext(2) != cityMap);
    QVERIFY(services.GetViewContext(2) != cityView);
    QCOMPARE(services.GetLayers(1), city.layers());
    QCOMPARE(services.GetLayers(1), services.GetLayers(1));
    QCOMPARE(services.GetMapContext(3), nullptr);
    QCOMPARE(services.GetLayers(3), nullptr);
}

void tst_HostMapCanvas::paintPrimitives_data()
{
    QTest::addColumn<Case>("which");
    QTest::addColumn<QPointF>("probe");
    QTest::addColumn<QColor>("colour");

    // The view: 400 x 400 pixels over 4000 m at the equator, centre (0, 0).
    QTest::newRow("trace: its pen along the line") << Case::Trace << QPointF(200, 200)
                                                   << QColor(Qt::red);
    QTest::newRow("trace: nothing beside the pen") << Case::Trace << QPointF(200, 190) << Paper;
    QTest::newRow("polygon: its brush inside") << Case::Polygon << QPointF(200, 200)
                                               << QColor(Qt::blue);
    QTest::newRow("polygon: nothing outside") << Case::Polygon << QPointF(300, 200) << Paper;
    QTest::newRow("hidden list: not drawn") << Case::HiddenList << QPointF(200, 200) << Paper;
    QTest::newRow("hidden primitive: not drawn")
        << Case::HiddenPrimitive << QPointF(200, 200) << Paper;
    QTest::newRow("car: its picture centred on its place")
        << Case::Car << QPointF(100, 300) << QColor(Qt::green);
    QTest::newRow("trailing (0, 0) of a vertex trace: no line to it")
        << Case::TrailingOrigin << QPointF(200, 200) << Paper;
    QTest::newRow("trailing (0, 0): the real points still drawn")
        << Case::TrailingOrigin << QPointF(300, 100) << QColor(Qt::red);
    QTest::newRow("polygon without brush: hollow")
        << Case::OutlineOnly << QPointF(200, 200) << Paper;
    QTest::newRow("polygon without brush: its outline")
        << Case::OutlineOnly << QPointF(150, 200) << QColor(Qt::magenta);
}

void tst_HostMapCanvas::paintPrimitives()
{
    QFETCH(Case, which);
    QFETCH(QPointF, probe);
    QFETCH(QColor, colour);

    const MapProjection projection(QPointF(0, 0), 1000, QSize(400, 400));
    // A pixel is 10 m, that is 898.3 units, at the equator.
    auto unitsAt = [&projection](double px, double py) {
        return projection.toMap(QPointF(px, py)).toPoint();
    };
    const QPen red(Qt::red, 3);

    OneList layers;
    std::unique_ptr<MapQt::MapPrimitive> primitive;
    switch (which) {
    case Case::Trace:
    case Case::HiddenList:
    case Case::HiddenPrimitive:
        primitive =
            shape<MapQt::MapTrace>({unitsAt(20, 200), unitsAt(380, 200)}, red, Qt::NoBrush);
        if (which != Case::Trace) {
            // Made visible by a fat pen, so that only the flags can hide it.
            *primitive->pen = QPen(Qt::red, 40);
        }
        layers.list.visible = which != Case::HiddenList;
        primitive->visible = which != Case::HiddenPrimitive;
        break;
    case Case::Polygon:
        primitive = shape<MapQt::MapPolygon>({unitsAt(150, 150), unitsAt(250, 150),
                                              unitsAt(250, 250), unitsAt(150, 250)},
                                             Qt::NoPen, QBrush(Qt::blue));
        break;
    case Case::OutlineOnly:
        primitive = shape<MapQt::MapPolygon>({unitsAt(150, 150), unitsAt(250, 150),
                                              unitsAt(250, 250), unitsAt(150, 250)},
                                             QPen(Qt::magenta, 3), Qt::NoBrush);
        break;
    case Case::TrailingOrigin:
        // The view sits far from (0, 0) here; see the projection below.
        break;
    case Case::Car: {
        auto car = std::make_unique<MapQt::MapCar>();
        const QPoint at = unitsAt(100, 300);
        car->x = at.x();
        car->y = at.y();
        QPixmap picture(9, 9);
        picture.fill(Qt::green);
        car->pixmap = picture;
        car->text = QStringLiteral("Car 7");
        primitive = std::move(car);
        break;
    }
    }

    QImage image(400, 400, QImage::Format_ARGB32);
    image.fill(Paper);
    QPainter painter(&image);
    if (which == Case::TrailingOrigin) {
        // Centred at 1 degree north-east, (0, 0) lies off to the lower left, along
        // the line from the last real point through the probe at the centre.
        const MapProjection away(QPointF(1e7, 1e7), 1000, QSize(400, 400));
        const QPoint last = away.toMap(QPointF(300, 100)).toPoint();
        const QPoint first = away.toMap(QPointF(380, 100)).toPoint();
        auto trace = shape<MapQt::MapTrace>({first, last, QPoint(0, 0)}, red, Qt::NoBrush);
        layers.list.primitives << trace.get();
        PrimitivePainter::paint(painter, away, layers.table);
        painter.end();
    } else {
        layers.list.primitives << primitive.get();
        PrimitivePainter::paint(painter, projection, layers.table);
        painter.end();
    }

    const QColor seen = image.pixelColor(probe.toPoint());
    QVERIFY2(near(seen, colour), qPrintable(text(seen) + " wanted " + text(colour)));
    if (which == Case::Car) {
        // The caption sits right of the picture: some dark text pixels there.
        int dark = 0;
        for (int x = 106; x < 150; ++x) {
            for (int y = 290; y < 310; ++y)
                dark += image.pixelColor(x, y).lightness() < 100;
        }
        QVERIFY(dark > 10);
    }
}

void tst_HostMapCanvas::baseDrawsDistrict_data()
{
    QTest::addColumn<double>("east");
    QTest::addColumn<double>("north");
    QTest::addColumn<QColor>("colour");

    QTest::newRow("Station Road at the centre, a major street")
        << 0.0 << 0.0 << MajorStreet;
    QTest::newRow("Harbour Avenue, a major street") << -2250.0 << -550.0 << MajorStreet;
    QTest::newRow("the river west of the centre") << -2600.0 << -1325.0 << Water;
    QTest::newRow("the river east of the centre") << 2800.0 << -550.0 << Water;
}

void tst_HostMapCanvas::baseDrawsDistrict()
{
    QFETCH(double, east);
    QFETCH(double, north);
    QFETCH(QColor, colour);

    MapCanvas canvas(1, QString());
    canvas.resize(800, 600);
    canvas.setCenter(DemoDistrict::centre());
    canvas.setScale(1600);
    const QImage image = canvas.render();
    QCOMPARE(image.size(), QSize(800, 600));
    const QPoint pixel = canvas.projection().toScreen(DemoDistrict::offset(east, north)).toPoint();
    const QColor seen = image.pixelColor(pixel);
    QVERIFY2(near(seen, colour), qPrintable(text(seen) + " wanted " + text(colour)));
}

void tst_HostMapCanvas::primitivesLieOverBase()
{
    MapCanvas canvas(1, QString());
    canvas.resize(800, 600);
    canvas.setCenter(DemoDistrict::centre());
    canvas.setScale(1600);
    const QPoint river = DemoDistrict::offset(-2600, -1325);

    // A plug-in's layer, inserted as a plug-in does; the canvas deletes group and list.
    auto *list = new MapQt::PrimitiveList{{}, true, false};
    auto *groups = new QList<MapQt::LayerGroup *>{new MapQt::LayerGroup{0, 0, {list}}};
    canvas.layers()->insert(99, groups);
    auto patch = shape<MapQt::MapPolygon>(
        {river + QPoint(-5000, -5000), river + QPoint(5000, -5000), river + QPoint(5000, 5000),
         river + QPoint(-5000, 5000)},
        Qt::NoPen, QBrush(QColor(200, 0, 200)));
    list->primitives << patch.get();

    const QPoint pixel = canvas.projection().toScreen(river).toPoint();
    QVERIFY(near(canvas.render().pixelColor(pixel), QColor(200, 0, 200)));
    list->visible = false;
    QVERIFY(near(canvas.render().pixelColor(pixel), Water));
    QCOMPARE(PrimitivePainter::visibleCount(*canvas.layers()), 0);
    list->visible = true;
    QCOMPARE(PrimitivePainter::visibleCount(*canvas.layers()), 1);
}

void tst_HostMapCanvas::wheelZoomsAroundPointer_data()
{
    QTest::addColumn<int>("angle");
    QTest::addColumn<double>("scale");

    QTest::newRow("one notch in") << 120 << 800.0;
    QTest::newRow("two notches out") << -240 << 1562.5;
    QTest::newRow("half a notch in") << 60 << 1000.0 / std::sqrt(1.25);
}

void tst_HostMapCanvas::wheelZoomsAroundPointer()
{
    QFETCH(int, angle);
    QFETCH(double, scale);

    MapCanvas canvas(1, QString());
    canvas.resize(800, 600);
    canvas.setCenter(DemoDistrict::centre());
    canvas.setScale(1000);
    const QPointF pointer(150, 420);
    const QPointF anchor = canvas.projection().toMap(pointer);
    QSignalSpy changes(&canvas, &MapCanvas::viewChanged);

    QWheelEvent wheel(pointer, canvas.mapToGlobal(pointer.toPoint()), QPoint(), QPoint(0, angle),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&canvas, &wheel);

    QVERIFY(std::abs(canvas.projection().scale() - scale) < 1e-6);
    QVERIFY(QLineF(canvas.projection().toScreen(anchor), pointer).length() < 0.5);
    QCOMPARE(changes.count(), 1);
}

void tst_HostMapCanvas::dragPans()
{
    MapCanvas canvas(1, QString());
    canvas.resize(800, 600);
    canvas.setCenter(DemoDistrict::centre());
    canvas.setScale(1000);
    const QPointF start(400, 300);
    const QPointF end(250, 380);
    const QPointF grabbed = canvas.projection().toMap(start);

    auto send = [&canvas](QEvent::Type type, const QPointF &at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, canvas.mapToGlobal(at.toPoint()),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(&canvas, &event);
    };
    send(QEvent::MouseButtonPress, start, Qt::LeftButton);
    send(QEvent::MouseMove, (start + end) / 2, Qt::LeftButton);
    send(QEvent::MouseMove, end, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, end, Qt::NoButton);
    // After the release the pointer moves freely.
    send(QEvent::MouseMove, QPointF(10, 10), Qt::NoButton);

    QVERIFY(QLineF(canvas.projection().toScreen(grabbed), end).length() < 0.5);
    QCOMPARE(canvas.projection().scale(), 1000.0);
}

void tst_HostMapCanvas::dropPrimitivesKeepsListsAndShapes()
{
    auto canvas = std::make_unique<MapCanvas>(1, QString());
    auto first = new MapQt::PrimitiveList{{}, true, false};
    auto second = new MapQt::PrimitiveList{{}, false, true};
    auto *groups = new QList<MapQt::LayerGroup *>{new MapQt::LayerGroup{0, 0, {first}},
                                                   new MapQt::LayerGroup{0, 0, {second}}};
    canvas->layers()->insert(99, groups);
    auto trace = shape<MapQt::MapTrace>({QPoint(1, 1), QPoint(2, 2)}, QPen(Qt::red), Qt::NoBrush);
    auto car = std::make_unique<MapQt::MapCar>();
    first->primitives << trace.get() << car.get();
    second->primitives << car.get();

    canvas->dropPrimitives();
    QVERIFY(first->primitives.isEmpty());
    QVERIFY(second->primitives.isEmpty());
    QCOMPARE(canvas->layers()->value(99), groups);
    QCOMPARE(groups->size(), 2);

    // The canvas deletes its groups and lists, never the shapes: they stay usable.
    first->primitives << trace.get();
    canvas.reset();
    QCOMPARE(trace->count, 2);
    QCOMPARE(trace->points[1].x, 2);
    QCOMPARE(int(car->kind), 5);
}

void tst_HostMapCanvas::gridStep_data()
{
    QTest::addColumn<double>("unitsPerPixel");
    QTest::addColumn<double>("step");

    QTest::newRow("exactly a power of ten") << 10.0 << 1000.0;
    QTest::newRow("just over: up to 2") << 10.1 << 2000.0;
    QTest::newRow("up to 5") << 30.0 << 5000.0;
    QTest::newRow("up to the next power") << 60.0 << 10000.0;
    QTest::newRow("tiny view: at least one unit") << 0.0001 << 1.0;
}

void tst_HostMapCanvas::gridStep()
{
    QFETCH(double, unitsPerPixel);
    QFETCH(double, step);
    QCOMPARE(MapBasePainter::gridStep(unitsPerPixel, 100), step);
}

void tst_HostMapCanvas::coordinateTexts_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("step");
    QTest::addColumn<QString>("latitude");
    QTest::addColumn<QString>("longitude");

    QTest::newRow("hundredths") << 556900000.0 << 100000.0 << "55.69° N" << "55.69° E";
    QTest::newRow("step 0.005: three places") << 374250000.0 << 50000.0 << "37.425° N"
                                              << "37.425° E";
    QTest::newRow("whole degrees") << 500000000.0 << 1e7 << "50° N" << "50° E";
    QTest::newRow("south and west") << -123400000.0 << 1000000.0 << "12.3° S" << "12.3° W";
}

void tst_HostMapCanvas::coordinateTexts()
{
    QFETCH(double, value);
    QFETCH(double, step);
    QFETCH(QString, latitude);
    QFETCH(QString, longitude);
    QCOMPARE(MapBasePainter::latitudeText(value, step), latitude);
    QCOMPARE(MapBasePainter::longitudeText(value, step), longitude);
}

void tst_HostMapCanvas::scaleBar_data()
{
    QTest::addColumn<double>("maxMetres");
    QTest::addColumn<double>("metres");
    QTest::addColumn<QString>("label");

    QTest::newRow("exactly 500") << 500.0 << 500.0 << "500 m";
    QTest::newRow("just under 500: 200") << 499.0 << 200.0 << "200 m";
    QTest::newRow("1999: 1 km") << 1999.0 << 1000.0 << "1 km";
    QTest::newRow("2.5 km: 2 km") << 2500.0 << 2000.0 << "2 km";
    QTest::newRow("under a metre: 1 m") << 0.2 << 1.0 << "1 m";
}

void tst_HostMapCanvas::scaleBar()
{
    QFETCH(double, maxMetres);
    QFETCH(double, metres);
    QFETCH(QString, label);
    QCOMPARE(MapBasePainter::scaleBarMetres(maxMetres), metres);
    QCOMPARE(MapBasePainter::distanceText(metres), label);
}

QTEST_MAIN(tst_HostMapCanvas)
#include "tst_host_mapcanvas.moc"
