#include "PluginLoaderHost.h"

#include <PluginInterface.h>
#include <PluginVerification.h>

#include <QDir>
#include <QLibrary>
#include <QPluginLoader>

QByteArray PluginLoaderHost::verificationData(const QString &fileName)
{
    QLibrary library(fileName);
    using Query = const char *(*)();
    auto query = reinterpret_cast<Query>(library.resolve("qt_plugin_query_verification_data"));
    return query ? QByteArray(query()) : QByteArray();
}

bool PluginLoaderHost::isAccepted(const QByteArray &verificationText)
{
    return verificationText == QByteArray(OC_PLUGIN_VERIFICATION_DATA);
}

QList<PluginLoaderHost::Loaded> PluginLoaderHost::loadAll(const QString &folder,
                                                          QStringList *errors)
{
    QList<Loaded> result;
    const QDir dir(folder);
    const QStringList files = dir.entryList(QDir::Files, QDir::Name);
    for (const QString &file : files) {
        const QString path = dir.absoluteFilePath(file);
        if (!QLibrary::isLibrary(path))
            continue;
        const QByteArray text = verificationData(path);
        if (!isAccepted(text)) {
            if (errors)
                errors->append(file + (text.isEmpty()
                                           ? QStringLiteral(": not a plug-in of this host")
                                           : QStringLiteral(": built against another Qt")));
            continue;
        }
        QPluginLoader loader(path);
        QObject *instance = loader.instance();
        auto *plugin = qobject_cast<PluginInterface *>(instance);
        if (!plugin) {
            if (errors)
                errors->append(file + QStringLiteral(": ")
                               + (instance ? QStringLiteral("no plug-in interface")
                                           : loader.errorString()));
            // Deletes an instance of another interface with its library.
            loader.unload();
            continue;
        }
        result.append({file, instance, plugin});
    }
    return result;
}
