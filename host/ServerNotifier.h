#ifndef SERVERNOTIFIER_H
#define SERVERNOTIFIER_H

#include <QByteArray>
#include <QObject>

// What PluginHost::GetServerNotifier hands out. Plug-ins connect to the signal
// by its string signature, so its name and argument are fixed.
class ServerNotifier : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Emits the signal with the server's name; the receivers may not keep the reference.
    void announce(const QByteArray &serverName);

signals:
    void OnConnectToServerSignal(QByteArray &server);
};

#endif // SERVERNOTIFIER_H
