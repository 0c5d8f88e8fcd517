// opercheck-feed: a recorded track sent to the server's OsmAnd listener as a
// phone tracking app would send it. Exit status 0 when it ran to the end or
// was stopped, 2 for unusable input; nothing goes to stdout then.

#include "FeedOptions.h"
#include "FeedPlan.h"
#include "FeedSender.h"
#include "TrackReader.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <unistd.h>

namespace {

constexpr int BadInput = 2;

// Ctrl+C only writes a byte here; the event loop stops the feed.
int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    if (::write(signalPipe[1], &byte, 1) < 0)
        return;
}

bool catchSignals()
{
    if (::pipe(signalPipe) != 0)
        return false;
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    return ::sigaction(SIGINT, &action, nullptr) == 0
           && ::sigaction(SIGTERM, &action, nullptr) == 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const auto failed = [&err](const QString &why) {
        err << "opercheck-feed: " << why << '\n';
        return BadInput;
    };

    FeedOptions options;
    QString message;
    switch (FeedOptions::parse(app.arguments(), &options, &message)) {
    case FeedOptions::Parse::Help:
        out << message;
        return 0;
    case FeedOptions::Parse::Error:
        return failed(message);
    case FeedOptions::Parse::Ok:
        break;
    }

    QFile file(options.trackPath);
    if (!file.open(QIODevice::ReadOnly))
        return failed(QStringLiteral("%1: %2").arg(options.trackPath, file.errorString()));
    const QByteArray bytes = file.readAll();
    QList<TrackPoint> points;
    QString error;
    if (!TrackReader::read(bytes, TrackReader::guess(options.trackPath, bytes), &points, &error))
        return failed(options.trackPath + QStringLiteral(": ") + error);

    if (options.dryRun) {
        const QList<FeedFix> pass =
            FeedPlan::plan(points, options.speed, QDateTime::currentMSecsSinceEpoch());
        for (int i = 0; i < pass.size(); ++i) {
            out << i + 1 << '/' << pass.size() << ' '
                << QDateTime::fromSecsSinceEpoch(pass.at(i).timestamp, Qt::UTC)
                       .toString(Qt::ISODate)
                << ' '
                << FeedPlan::url(options.url, pass.at(i), options.deviceId, options.key)
                       .toEncoded()
                << '\n';
        }
        return 0;
    }

    FeedSender sender(points, {options.url, options.deviceId, options.key, options.speed,
                               options.loop});
    QObject::connect(&sender, &FeedSender::finished, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    if (catchSignals()) {
        auto *stopper = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &sender);
        QObject::connect(stopper, &QSocketNotifier::activated, &sender, &FeedSender::stop);
    } else {
        err << "opercheck-feed: Ctrl+C will not stop it cleanly\n";
    }
    sender.start();
    return app.exec();
}
