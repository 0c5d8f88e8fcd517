#ifndef SERVEROPTIONS_H
#define SERVEROPTIONS_H

#include "LogLimiter.h"

#include <QByteArray>
#include <QHostAddress>
#include <QString>
#include <QStringList>

// How a route-check server runs: where it listens, where it stores, who may talk.
struct ServerOptions
{
    enum class Parse { Ok, Error, Help };

    static constexpr quint16 DefaultPort = 47800;

    QHostAddress address = QHostAddress(QHostAddress::LocalHost);
    quint16 port = DefaultPort; // 0: any free port
    QString databasePath;       // empty: defaultDatabasePath()
    QByteArray token;           // empty: no token; required off loopback
    QString seed;               // empty or "demo"
    QString importSqlite;       // a SQLite file to copy into the PostgreSQL --db, then exit
    bool readOnly = false;      // serve the database without changing it; saves are refused
    qint64 maxDatabaseBytes = 0; // a save that would grow the file past this fails; 0: no cap
    bool simulate = false;      // drive the routes' units along their sections
    double speed = 1.0;         // the server clock's pace against the wall clock, 1..3600
    int confirmReports = 2;     // reports in a row that confirm a crossing
    double confirmMetres = 15;  // or one report this far beyond the border
    QByteArray timeZone;        // IANA name rounds are judged in; empty: the system's
    int authTimeoutMs = 10000;  // a client with a token to give must give it within this
    // When this many are connected, a newcomer takes the place of the client
    // longest without a complete frame, if that is at least evictAfterMs;
    // otherwise it is closed at once.
    int maxClients = 256;
    int evictAfterMs = 60 * 1000;
    // A client whose unread replies pile up beyond this is closed.
    qint64 maxPendingOutput = 64 * 1024 * 1024;
    int frameTimeoutMs = 30 * 1000;   // a frame completes this soon after its first byte
    int maxFrameBeforeAuth = 4096;    // the one frame a client may send before its token
    // What every unfinished frame together may hold: each client's first
    // OwnFrameBytes of a frame, so that small requests are always read, and
    // the rest shared by the larger frames.
    qint64 maxUnfinishedBytes = 256 * 1024 * 1024;
    // The device listeners (OsmAnd over HTTP, NMEA over TCP): off unless
    // given; port 0 is any free port. They need no token; feedAllow (networks
    // as "10.0.0.0/8", none: anyone) limits who may connect.
    struct Listener
    {
        bool on = false;
        QHostAddress address;
        quint16 port = 0;
    };
    Listener osmand;
    Listener nmea;
    // Where the other servers of a PostgreSQL database reach this one; off:
    // the listen address, any free port.
    Listener peer;
    QStringList feedAllow;
    int deviceIdentifyMs = 30 * 1000; // an NMEA device names itself this soon
    int maxDeviceConnections = 1024;  // per listener; then the longest idle makes room
    // Of each kind of complaint about clients and requests.
    int logLinesPerMinute = LogLimiter::DefaultLinesPerWindow;
    static constexpr qint64 OwnFrameBytes = 64 * 1024;
    qint64 sharedFrameBudget() const { return maxUnfinishedBytes - maxClients * OwnFrameBytes; }

    // QStandardPaths::AppDataLocation + "/opercheck.sqlite".
    static QString defaultDatabasePath();

    // The command line of opercheck-server (arguments[0] is the program). On Error
    // the message says why; on Help it is the usage text.
    static Parse parse(const QStringList &arguments, ServerOptions *options, QString *message);

    // Why these options cannot run a server, or empty: a listen address off
    // loopback without a token, a seed other than "demo", bad limits.
    QString problem() const;

    // "127.0.0.1:47800", "[::1]:47800".
    static QString endpointText(const QHostAddress &address, quint16 port);
};

#endif // SERVEROPTIONS_H
