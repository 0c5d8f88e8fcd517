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
        if (verificationData(path) != QByteArray(OC_PLUGIN_VERIFICATION_DATA)) {
            if (errors)
                errors->append(file + QStringLiteral(": built against another Qt"));
            continue;
        }
        QPluginLoader loader(path);
        QObject *instance = loader.instance();
        auto *plugin = qobject_cast<PluginInterface *>(instance);
        if (!plugin) {
            if (errors)
                errors->append(file + QStringLiteral(": ") + loader.errorString());
            continue;
        }
        result.append({file, instance, plugin});
    }
    return result;
}
