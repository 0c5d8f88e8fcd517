#ifndef SERVERPROCESS_H
#define SERVERPROCESS_H

// The server program itself, run by a suite that defines OC_SERVER_PROGRAM;
// killed, if still running, when it goes.
#include "ServerHarness.h"

#include <QProcess>
#include <QRegularExpression>

struct ServerProcess : QProcess
{
    ~ServerProcess() override
    {
        kill();
        waitForFinished();
    }
    // The port it listens on once it says so; 0 when it does not get there.
    // With other servers on a database, it names itself next (instanceId).
    quint16 launch(const QString &db, const QStringList &arguments = {})
    {
        start(OC_SERVER_PROGRAM, QStringList{"--db", db, "--listen", "127.0.0.1:0"} + arguments);
        const int lines = db.contains("://") ? 2 : 1; // a database server's: the id too
        QByteArray out;
        while (out.count('\n') < lines && waitForReadyRead(ServerHarness::Timeout))
            out += readAllStandardOutput();
        const QRegularExpressionMatch port =
            QRegularExpression("^listening on 127\\.0\\.0\\.1:(\\d+)\n").match(out);
        const QRegularExpressionMatch id = QRegularExpression("\nserver (\\S+) ").match(out);
        instanceId = id.hasMatch() ? id.captured(1) : QString();
        return port.hasMatch() ? quint16(port.captured(1).toUInt()) : 0;
    }
    QString instanceId;
};

#endif // SERVERPROCESS_H
