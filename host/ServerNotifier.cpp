#include "ServerNotifier.h"

void ServerNotifier::announce(const QByteArray &serverName)
{
    QByteArray name = serverName;
    emit OnConnectToServerSignal(name);
}
