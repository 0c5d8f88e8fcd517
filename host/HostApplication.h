#ifndef HOSTAPPLICATION_H
#define HOSTAPPLICATION_H

#include "HostOptions.h"
#include "HostServices.h"
#include "ObjectsModel.h"
#include "PluginLoaderHost.h"
#include "ServerConnection.h"

#include <QList>
#include <QString>

#include <memory>

class DemoScreenshot;
class EmbeddedServer;
class HostLanguage;
class HostWindow;

// The whole host, put together in the order its parts depend on each other
// and taken apart in reverse: plug-ins first, then the window whose maps they
// drew on, then the link, then the embedded server.
class HostApplication
{
public:
    explicit HostApplication(const HostOptions &options);
    ~HostApplication();

    // Starts the server when it is embedded, installs the language's catalogues,
    // loads the plug-ins from pluginFolder, builds the window and starts
    // connecting. False with a reason on failure.
    bool start(const QString &pluginFolder, QString *error);

    HostWindow *window() const { return m_window.get(); }
    ServerConnection *connection() { return &m_connection; }
    HostServices *services() { return &m_services; }
    const QList<PluginLoaderHost::Loaded> &plugins() const { return m_plugins; }
    QStringList pluginErrors() const { return m_pluginErrors; }
    EmbeddedServer *embeddedServer() const { return m_server.get(); }

private:
    HostOptions m_options;
    std::unique_ptr<HostLanguage> m_language; // before anything with a text
    std::unique_ptr<EmbeddedServer> m_server;
    ServerConnection m_connection;
    ObjectsModel m_objects;
    HostServices m_services;
    std::unique_ptr<HostWindow> m_window;
    QList<PluginLoaderHost::Loaded> m_plugins; // instances owned here
    QStringList m_pluginErrors;

    Q_DISABLE_COPY(HostApplication)
};

#endif // HOSTAPPLICATION_H
