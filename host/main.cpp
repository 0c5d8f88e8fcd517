#include "DemoScreenshot.h"
#include "EmbeddedServer.h"
#include "HostApplication.h"
#include "HostLog.h"
#include "HostOptions.h"
#include "HostWindow.h"
#include "WindowLayout.h"

#include <PluginInterface.h>

#include <QApplication>
#include <QSettings>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("opercheck-host"));
    QCoreApplication::setOrganizationName(QStringLiteral("OperCheck"));

    QTextStream out(stdout);
    QTextStream err(stderr);
    HostOptions options;
    QString message;
    switch (HostOptions::parse(app.arguments(), &options, &message)) {
    case HostOptions::Parse::Help:
        out << message;
        return 0;
    case HostOptions::Parse::Error:
        err << "opercheck-host: " << message << '\n';
        return 2;
    case HostOptions::Parse::Ok:
        break;
    }

    HostApplication host(options);
    QString error;
    const bool started =
        host.start(QCoreApplication::applicationDirPath() + QStringLiteral("/plugins"), &error);
    for (const QString &problem : host.pluginErrors())
        qCWarning(lcHost).noquote() << "skipped" << problem;
    if (!started) {
        err << "opercheck-host: " << error << '\n';
        return 1;
    }
    for (const PluginLoaderHost::Loaded &loaded : host.plugins())
        qCInfo(lcHost).noquote() << "loaded" << loaded.fileName
                                 << loaded.plugin->GetName() << loaded.plugin->GetVersion();
    if (EmbeddedServer *server = host.embeddedServer())
        qCInfo(lcHost).noquote().nospace() << "built-in server on port "
                                           << server->port() << ", database "
                                           << server->databasePath();

    // A screenshot is taken in the window's own first layout.
    QSettings settings;
    if (options.screenshotPath.isEmpty()) {
        WindowLayout::restore(host.window(), settings);
        QObject::connect(&app, &QCoreApplication::aboutToQuit, &app,
                         [&host, &settings] { WindowLayout::save(host.window(), settings); });
    }

    std::unique_ptr<DemoScreenshot> screenshot;
    if (!options.screenshotPath.isEmpty()) {
        screenshot = std::make_unique<DemoScreenshot>(host.window(), host.connection(),
                                                      host.plugins(), options.screenshotPath);
        QObject::connect(screenshot.get(), &DemoScreenshot::finished, &app,
                         &QCoreApplication::exit);
        // Long enough for the built-in server's units to drive three quarters
        // of an hour of the demo's round.
        if (options.embedded() && options.simulate)
            screenshot->setLiveWait(int(45 * 60 * 1000 / options.speed));
        screenshot->start();
    }
    host.window()->show();
    return app.exec();
}
