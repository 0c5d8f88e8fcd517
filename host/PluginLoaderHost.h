#ifndef PLUGINLOADERHOST_H
#define PLUGINLOADERHOST_H

#include <QList>
#include <QString>

class PluginInterface;
class QObject;

// Finds and loads the host's plug-ins from a folder.
class PluginLoaderHost
{
public:
    struct Loaded
    {
        QString fileName;
        QObject *instance;
        PluginInterface *plugin;
    };

    // Loads every library in folder whose verification text and interface id match ours.
    static QList<Loaded> loadAll(const QString &folder, QStringList *errors);

    // The verification text a library exports, or an empty text when it exports none.
    static QByteArray verificationData(const QString &fileName);
};

#endif // PLUGINLOADERHOST_H
