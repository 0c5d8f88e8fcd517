#ifndef HOSTOPTIONS_H
#define HOSTOPTIONS_H

#include <QByteArray>
#include <QString>
#include <QStringList>

// The command line of opercheck-host.
struct HostOptions
{
    enum class Parse { Ok, Error, Help };

    QString serverHost; // empty: run the server in-process
    quint16 serverPort = 0;
    QByteArray token;
    QString databasePath; // the embedded server's; empty: the user's data directory
    // The built-in server moves the demo units itself, on a clock this many
    // times faster than the wall clock.
    bool simulate = true;
    double speed = 30.0;
    QString screenshotPath;
    QString language; // "ru" or "en"

    bool embedded() const { return serverHost.isEmpty(); }

    // arguments[0] is the program. On Error the message says why; on Help it is the usage.
    static Parse parse(const QStringList &arguments, HostOptions *options, QString *message);

};

#endif // HOSTOPTIONS_H
