#include "HostApplication.h"
#include "wire/Commands.h"

#include "EmbeddedServer.h"
#include "HostLanguage.h"
#include "HostWindow.h"

#include <PluginInterface.h>

#include <QHostAddress>

HostApplication::HostApplication(const HostOptions &options)
    : m_options(options)
    , m_language(std::make_unique<HostLanguage>(options.language))
    , m_connection(Commands::ServerName)
    , m_services(&m_connection, &m_objects)
{
}

HostApplication::~HostApplication()
{
    m_connection.stop();
    m_connection.setPlugins({});
    for (const PluginLoaderHost::Loaded &loaded : qAsConst(m_plugins)) {
        m_connection.forgetPlugin(loaded.plugin);
        delete loaded.instance;
    }
    m_plugins.clear();
    m_window.reset();
}

bool HostApplication::start(const QString &pluginFolder, QString *error)
{
    QString host = m_options.serverHost;
    quint16 port = m_options.serverPort;
    if (m_options.embedded()) {
        m_server = std::make_unique<EmbeddedServer>();
        if (!m_server->start(m_options.databasePath, error, m_options.simulate,
                             m_options.speed)) {
            *error = QStringLiteral("the built-in server did not start: ") + *error;
            m_server.reset();
            return false;
        }
        host = QHostAddress(QHostAddress::LocalHost).toString();
        port = m_server->port();
    }

    m_language->keepPluginTexts(pluginFolder);
    m_plugins = PluginLoaderHost::loadAll(pluginFolder, &m_pluginErrors);
    if (m_plugins.isEmpty()) {
        *error = QStringLiteral("no plug-in loaded from %1").arg(pluginFolder);
        return false;
    }

    m_window = std::make_unique<HostWindow>(&m_services, &m_connection, &m_objects);
    m_window->installPlugins(m_plugins);
    m_connection.connectTo(host, port, m_options.token);
    return true;
}
