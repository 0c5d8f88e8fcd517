// What the host takes at its start: the command line (where the server is, the
// token, the built-in server's file and pace, the screenshot), the plug-in
// folder (which verification texts it accepts, what it makes of other files),
// and its window with recording plug-ins installed: the order of the interface
// calls, where each page lands, which page follows which map, closing; with the built
// plug-in and the demo in its own server, the window's one language.
#include "testsupport/HostTinyServer.h"

#include <CheckEventsModel.h>
#include <HostApplication.h>
#include <HostOptions.h>
#include <HostServices.h>
#include <HostWindow.h>
#include <MapCanvas.h>
#include <ObjectsModel.h>
#include <PluginLoaderHost.h>
#include <PluginVerification.h>
#include <ServerConnection.h>
#include <UnitTracker.h>
#include <UnitsDock.h>
#include <WindowLayout.h>

#include <QCloseEvent>
#include <QDockWidget>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QSettings>
#include <QTabBar>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

using LiveMessages::PositionReport;

Q_DECLARE_METATYPE(HostOptions::Parse)

class tst_HostStartup : public QObject
{
    Q_OBJECT

private slots:
    void options_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<HostOptions::Parse>("result");
        QTest::addColumn<QString>("text"); // every field when Ok, else part of the message

        using P = HostOptions::Parse;
        QTest::newRow("nothing: embedded server, simulated")
            << "" << P::Ok << "server=:0 token= db= shot= simulate=1 speed=30 lang=en";
        QTest::newRow("a separate server with a token")
            << "--server=dispatch.local:9000 --token t0k" << P::Ok
            << "server=dispatch.local:9000 token=t0k db= shot= simulate=1 speed=30 lang=en";
        QTest::newRow("database, screenshot, wall-clock pace, still units")
            << "--db /tmp/x.sqlite --screenshot out.png --speed 1 --no-simulate" << P::Ok
            << "server=:0 token= db=/tmp/x.sqlite shot=out.png simulate=0 speed=1 lang=en";
        QTest::newRow("fastest pace") << "--speed=3600" << P::Ok
                                      << "server=:0 token= db= shot= simulate=1 speed=3600 lang=en";
        QTest::newRow("Russian window") << "--lang ru" << P::Ok
                                        << "server=:0 token= db= shot= simulate=1 speed=30 lang=ru";
        QTest::newRow("help") << "--help" << P::Help << "--server";
        QTest::newRow("token without a server: it would go nowhere") << "--token t" << P::Error
                                                                     << "--token";
        QTest::newRow("empty token") << "--server h:1 --token=" << P::Error << "empty";
        QTest::newRow("database with a separate server: ignored")
            << "--server h:1 --db x" << P::Error << "--db";
        QTest::newRow("a PostgreSQL database for the built-in server")
            << "--db postgresql://ops@db:5433/routes" << P::Ok
            << "server=:0 token= db=postgresql://ops@db:5433/routes shot= simulate=1 speed=30"
               " lang=en";
        QTest::newRow("another database's address: not a file name")
            << "--db mysql://ops@db/routes" << P::Error << "mysql://";
        QTest::newRow("pace above 3600") << "--speed 3601" << P::Error << "3601";
        QTest::newRow("a language without a catalogue") << "--lang de" << P::Error << "--lang";
    }

    void options()
    {
        QFETCH(QString, arguments);
        QFETCH(HostOptions::Parse, result);
        QFETCH(QString, text);

        HostOptions o;
        o.serverHost = QStringLiteral("untouched");
        QString message;
        const QStringList line = ("opercheck-host " + arguments).split(' ', Qt::SkipEmptyParts);
        QCOMPARE(HostOptions::parse(line, &o, &message), result);
        if (result == HostOptions::Parse::Ok) {
            QCOMPARE(QStringLiteral("server=%1:%2 token=%3 db=%4 shot=%5 simulate=%6 speed=%7 "
                                    "lang=%8")
                         .arg(o.serverHost).arg(o.serverPort)
                         .arg(QString::fromUtf8(o.token), o.databasePath, o.screenshotPath)
                         .arg(int(o.simulate)).arg(o.speed).arg(o.language),
                     text);
        } else {
            QVERIFY2(message.contains(text), qPrintable(message));
            QCOMPARE(o.serverHost, QString("untouched"));
        }
    }

    void verificationText_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("accepted");

        const QByteArray ours(OC_PLUGIN_VERIFICATION_DATA);
        QTest::newRow("the host's own Qt build") << ours << true;
        QTest::newRow("another Qt version")
            << QByteArray(ours).replace("version=" QT_VERSION_STR, "version=5.15.99") << false;
        QTest::newRow("a trailing line feed") << ours + '\n' << false;
    }

    void verificationText()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, accepted);
        QCOMPARE(PluginLoaderHost::isAccepted(text), accepted);
    }

    void folderWithoutPlugins_data()
    {
        QTest::addColumn<QString>("fileName"); // of a small text file
        QTest::addColumn<QString>("error");

        QTest::newRow("named like a library") << "libfake.so"
                                              << "libfake.so: not a plug-in of this host";
        QTest::newRow("not named like a library: not even looked at") << "notes.txt" << QString();
    }

    void folderWithoutPlugins()
    {
        QFETCH(QString, fileName);
        QFETCH(QString, error);

        QTemporaryDir folder;
        QFile file(folder.filePath(fileName));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("not a library") > 0);
        file.close();
        QStringList errors;
        QVERIFY(PluginLoaderHost::loadAll(folder.path(), &errors).isEmpty());
        QCOMPARE(errors, error.isEmpty() ? QStringList() : QStringList{error});
        QVERIFY(PluginLoaderHost::verificationData(file.fileName()).isEmpty());
    }

    // Plug-ins A, with pages, and B, without: each page replaces the host's
    // placeholder at the key it was made for, B keeps the placeholders; each
    // plug-in draws on the map of the page it was given, and pages and maps follow
    // each other.
    void windowWithPlugins()
    {
        ServerConnection connection{"OperCheck_Server1"};
        ObjectsModel objects;
        HostServices services{&connection, &objects};
        HostWindow window{&services, &connection, &objects};
        RecordingPlugin a("A", true), b("B");
        window.installPlugins({{"A", &a, &a}, {"B", &b, &b}});
        auto calls = [&a, &b]() {
            const QStringList all = a.calls + b.calls;
            a.calls.clear(), b.calls.clear();
            return all.join(", ");
        };
        QCOMPARE(calls(), QString("SetHost, CreateWidget key 0, BindMap 1, CreateWidget key 1, "
                                  "BindMap 2, OnTabActivated 1 on A page 0, SetHost, "
                                  "CreateWidget key 2, BindMap 1, CreateWidget key 3, BindMap 2, "
                                  "OnTabActivated 1 on "));
        QVERIFY(a.host == &services && b.host == &services);
        QTabWidget *tabs = window.pluginTabs();
        QVERIFY(a.tabs == tabs && b.tabs == tabs);
        QVERIFY(tabs->count() == 4 && tabs->tabText(2) == QString("B · City"));
        for (int key = 0; key < 4; ++key) {
            RecordingPlugin &plugin = key < 2 ? a : b;
            QWidget *page = tabs->widget(key);
            QVERIFY(page && (page == a.pages.value(key)) == (key < 2));
            QCOMPARE(window.pluginPage(&plugin, key % 2 + 1), page);
            QCOMPARE(services.GetLayers(key % 2 + 1), window.maps().at(key % 2)->layers());
        }
        QCOMPARE(window.pluginPage(&a, 9), nullptr);

        // A map chosen: every plug-in's page for it, A's shown; a page chosen: its map.
        window.mapTabs()->setCurrentIndex(1);
        QVERIFY(tabs->currentIndex() == 1 && window.currentMap()->mapId() == 2);
        QCOMPARE(calls(), QString("OnTabActivated 2 on A page 1, OnTabActivated 2 on "));
        tabs->setCurrentIndex(2);
        QVERIFY(window.mapTabs()->currentIndex() == 0 && tabs->currentIndex() == 2);
        QCOMPARE(calls(), QString("OnTabActivated 1 on A page 0, OnTabActivated 1 on "));

        QCloseEvent event;
        QApplication::sendEvent(&window, &event);
        QCOMPARE(calls(), QString("OnClose %1, OnClose %1").arg(QEvent::Close));
        QVERIFY(event.isAccepted());
    }

    // Docks moved and the window resized come back so in the next window.
    void layoutRemembered()
    {
        QTemporaryDir folder;
        QSettings settings(folder.filePath("host.ini"), QSettings::IniFormat);
        ServerConnection connection{"OperCheck_Server1"};
        ObjectsModel objects;
        HostServices services{&connection, &objects};
        const auto eventsDock = [](HostWindow &window) {
            return window.findChild<QDockWidget *>("eventsDock");
        };
        {
            HostWindow window{&services, &connection, &objects};
            window.addDockWidget(Qt::LeftDockWidgetArea, eventsDock(window));
            window.resize(900, 700);
            WindowLayout::save(&window, settings);
        }
        HostWindow window{&services, &connection, &objects};
        WindowLayout::restore(&window, settings);
        QCOMPARE(window.dockWidgetArea(eventsDock(window)), Qt::LeftDockWidgetArea);
        QCOMPARE(window.size(), QSize(900, 700));
    }

    // With the server gone the panel area says so and counts down to the next
    // try; once connected it says nothing.
    void unreachableServer()
    {
        QTcpServer gone;
        QVERIFY(gone.listen(QHostAddress::LocalHost));
        const quint16 port = gone.serverPort();
        gone.close();
        ServerConnection connection{"OperCheck_Server1"};
        ObjectsModel objects;
        HostServices services{&connection, &objects};
        HostWindow window{&services, &connection, &objects};
        auto *banner = window.findChild<QLabel *>("linkBanner");
        QVERIFY(!banner->isVisibleTo(&window));
        connection.connectTo("127.0.0.1", port);
        QTRY_VERIFY(connection.state() == ServerConnection::State::Waiting);
        QVERIFY(banner->isVisibleTo(&window));
        QVERIFY2(QRegularExpression(QString("127\\.0\\.0\\.1:%1 .*in [0-9]+ s;").arg(port))
                     .match(banner->text()).hasMatch(),
                 qPrintable(banner->text()));
    }

    void oneLanguage_data()
    {
        QTest::addColumn<QString>("foreign"); // what no text may hold
        QTest::newRow("ru") << "[A-Za-z]";
        QTest::newRow("en") << "\\p{Cyrillic}";
    }

    // Every title, text, tooltip, menu, action, tab and header label, once connected:
    // English has no Cyrillic, Russian no Latin but the programs' names.
    void oneLanguage()
    {
        QFETCH(QString, foreign);
        QTemporaryDir folder;
        HostOptions options;
        options.databasePath = folder.filePath("demo.sqlite");
        options.language = QTest::currentDataTag();
        HostApplication host(options);
        QString error;
        QVERIFY2(host.start(QCoreApplication::applicationDirPath() + "/plugins", &error),
                 qPrintable(error));
        QTRY_VERIFY(host.connection()->isConnected());

        QStringList texts;
        const QList<QObject *> objects = host.window()->findChildren<QObject *>() << host.window();
        for (QObject *object : objects) {
            for (const char *name : {"windowTitle", "text", "toolTip", "placeholderText", "title"})
                texts << object->property(name).toString();
            auto *tabs = qobject_cast<QTabBar *>(object);
            for (int i = 0; tabs && i < tabs->count(); ++i)
                texts << tabs->tabText(i) << tabs->tabToolTip(i);
            auto *header = qobject_cast<QHeaderView *>(object);
            for (int i = 0; header && i < header->count(); ++i)
                texts << header->model()->headerData(i, header->orientation()).toString();
        }
        texts.replaceInStrings(QRegularExpression("OperCheck_Server1|OperativeCheck \\S+"), "");
        const QStringList mixed = texts.filter(QRegularExpression(foreign));
        QVERIFY2(mixed.isEmpty() && texts.size() > 100, qPrintable(mixed.join('|')));
        if (options.language == "en")
            findsUnitAndEvents(host);
    }

private:
    // A unit double-clicked in the Units dock is where the map centres; the
    // events filter keeps the rows naming what is typed.
    void findsUnitAndEvents(HostApplication &host)
    {
        QVERIFY(!host.window()->findChild<QLabel *>("linkBanner")->isVisibleTo(host.window()));
        const UnitTracker *tracker = host.services()->unitTracker();
        QTRY_VERIFY_WITH_TIMEOUT(!tracker->units().isEmpty(), 20000);
        const PositionReport unit = tracker->units().constLast();
        QTreeView *view = host.window()->unitsDock()->view();
        const QModelIndex row = view->model()->match(view->model()->index(0, 0),
            ObjectsModel::NodeIdRole, unit.unitId, 1, Qt::MatchExactly | Qt::MatchRecursive)
            .value(0);
        QVERIFY(row.isValid());
        view->scrollTo(row);
        const QPoint at = view->visualRect(row).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(host.window()->currentMap()->projection().centre().toPoint(),
                 tracker->unit(unit.unitId).position);

        host.services()->checkEvents()->replaceAll(
            {{1, 100, 5, "Beat", 8, "Gate", 17, "Car 3", 0, 0},
             {2, 99, 6, "Harbour", 9, "Quay", 18, "Moto", 0, 60}});
        auto *filter = host.window()->findChild<QLineEdit *>("eventsFilter");
        QTest::keyClicks(filter, "harb");
        QListView *events = host.window()->eventsView();
        QCOMPARE(events->model()->rowCount(), 1);
        QVERIFY(events->model()->index(0, 0).data().toString().contains("Quay"));
    }
};

QTEST_MAIN(tst_HostStartup)
#include "tst_host_startup.moc"
