#ifndef PLUGINLOADERHOST_H
#define PLUGINLOADERHOST_H

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class PluginInterface;
class QObject;

// Finds and loads the host's plug-ins from a folder.
class PluginLoaderHost
{
public:
    struct Loaded
    {
        QString fileName;
        QObject *instance; // the host's to delete, through QObject
        PluginInterface *plugin;
    };

    // Loads every library in folder whose verification text is ours and whose
    // instance has our interface; says in errors why any other was passed over.
    static QList<Loaded> loadAll(const QString &folder, QStringList *errors);

    // The verification text a library exports, or an empty text when it exports none.
    static QByteArray verificationData(const QString &fileName);

    // Whether a verification text is the one of the Qt build the host was made with.
    static bool isAccepted(const QByteArray &verificationText);
};

#endif // PLUGINLOADERHOST_H
