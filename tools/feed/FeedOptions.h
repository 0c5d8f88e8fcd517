#ifndef FEEDOPTIONS_H
#define FEEDOPTIONS_H

#include <QString>
#include <QStringList>
#include <QUrl>

// The command line of opercheck-feed.
struct FeedOptions
{
    enum class Parse { Ok, Error, Help };

    QUrl url; // the server's OsmAnd listener
    QString deviceId;
    QString key; // empty: none
    QString trackPath;
    double speed = 1.0; // gaps divided by this
    bool loop = false;
    bool dryRun = false;

    // arguments[0] is the program. On Error the message says why; on Help it
    // is the usage text.
    static Parse parse(const QStringList &arguments, FeedOptions *options, QString *message);
};

#endif // FEEDOPTIONS_H
