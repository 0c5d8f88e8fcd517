#ifndef HOSTTINYSERVER_H
#define HOSTTINYSERVER_H

// The server end of the host's link in a test, and a plug-in that keeps what
// the host hands it. Header-only: only the host's suites link the framing.
#include "wire/Frame.h"
#include <PluginInterface.h>

#include <QEvent>
#include <QTabWidget>
#include <QTcpServer>
#include <QTcpSocket>

// Takes one client at a time and keeps what it sent on the latest connection.
class TinyServer : public QObject
{
public:
    TinyServer()
    {
        connect(&server, &QTcpServer::newConnection, this, [this]() {
            while (QTcpSocket *socket = server.nextPendingConnection()) {
                client = socket;
                received.clear();
                connect(socket, &QTcpSocket::readyRead, this,
                        [this, socket]() { received += socket->readAll(); });
            }
        });
    }

    void send(const QByteArray &bytes) { client->write(bytes), client->flush(); }
    void reply(const QByteArray &command, const QByteArray &body)
    {
        send(Frame::encode(Frame::Reply{command, body}));
    }

    // The commands of the requests received so far, while they are whole frames.
    QList<QByteArray> commands() const
    {
        QList<QByteArray> out;
        QByteArray buffer = received, payload;
        while (Frame::Splitter::take(buffer, &payload) == Frame::Splitter::Complete)
            out << Frame::decodeRequest(payload).value_or(Frame::Request{}).command;
        return out;
    }

    QTcpServer server;
    QTcpSocket *client = nullptr;
    QByteArray received;
};

// Keeps the replies, "command body" each, and, in order, the calls of the
// interface. With pages, it makes one named "<name> page <n>" per CreateWidget.
class RecordingPlugin : public QObject, public PluginInterface
{
public:
    explicit RecordingPlugin(const QString &name = "recording", bool makesPages = false)
        : name(name), makesPages(makesPages)
    {
    }

    QString GetPluginName() override { return name; }
    QString GetName() override { return name; }
    void SetHost(PluginHost *given) override { host = given, calls << "SetHost"; }
    QWidget *CreateWidget(QWidget *, QTabWidget *given) override
    {
        tabs = given;
        const int key = tabs->count() - 1;
        // The host's placeholder stands at the key, not a page of ours.
        const bool placeholder = key >= 0 && !pages.values().contains(tabs->widget(key));
        calls << QStringLiteral("CreateWidget key %1%2").arg(key).arg(placeholder ? "" : " taken");
        if (!makesPages)
            return nullptr;
        pages.insert(key, new QWidget);
        pages[key]->setObjectName(QStringLiteral("%1 page %2").arg(name).arg(pages.size() - 1));
        return pages[key];
    }
    void BindMap(int, int mapId) override { calls << QStringLiteral("BindMap %1").arg(mapId); }
    void OnTabActivated(int mapId) override
    {
        calls << QStringLiteral("OnTabActivated %1 on %2").arg(mapId).arg(
            tabs->currentWidget()->objectName());
    }
    void OnClose(QEvent *e) override { calls << QStringLiteral("OnClose %1").arg(e->type()); }
    void OnServerReply(QByteArray &command, QByteArray &body) override
    {
        replies << QString::fromLatin1(command + ' ' + body);
    }

    QString name;
    bool makesPages;
    PluginHost *host = nullptr;
    QTabWidget *tabs = nullptr;
    QMap<int, QWidget *> pages;
    QStringList calls;
    QStringList replies;
};

#endif // HOSTTINYSERVER_H
