// What the host takes at its start: the command line (where the server is, the
// token, the built-in server's file and pace, the screenshot) and the plug-in
// folder (which verification texts it accepts, what it makes of other files).
#include <HostOptions.h>
#include <PluginLoaderHost.h>

#include <PluginVerification.h>

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(HostOptions::Parse)

class tst_HostStartup : public QObject
{
    Q_OBJECT

private slots:
    void options_data();
    void options();
    void verificationText_data();
    void verificationText();
    void folderWithoutPlugins_data();
    void folderWithoutPlugins();
};

void tst_HostStartup::options_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<HostOptions::Parse>("result");
    QTest::addColumn<QString>("text"); // every field when Ok, else part of the message

    using P = HostOptions::Parse;
    QTest::newRow("nothing: embedded server, simulated")
        << "" << P::Ok << "server=:0 token= db= shot= simulate=1 speed=30";
    QTest::newRow("a separate server with a token")
        << "--server=dispatch.local:9000 --token t0k" << P::Ok
        << "server=dispatch.local:9000 token=t0k db= shot= simulate=1 speed=30";
    QTest::newRow("database, screenshot, wall-clock pace, still units")
        << "--db /tmp/x.sqlite --screenshot out.png --speed 1 --no-simulate" << P::Ok
        << "server=:0 token= db=/tmp/x.sqlite shot=out.png simulate=0 speed=1";
    QTest::newRow("fastest pace") << "--speed=3600" << P::Ok
                                  << "server=:0 token= db= shot= simulate=1 speed=3600";
    QTest::newRow("help") << "--help" << P::Help << "--server";
    QTest::newRow("server without a port") << "--server localhost" << P::Error << "host:port";
    QTest::newRow("token without a server: it would go nowhere") << "--token t" << P::Error
                                                                 << "--token";
    QTest::newRow("empty token") << "--server h:1 --token=" << P::Error << "empty";
    QTest::newRow("database with a separate server: ignored") << "--server h:1 --db x" << P::Error
                                                              << "--db";
    QTest::newRow("pace with a separate server") << "--server h:1 --speed 2" << P::Error
                                                 << "--speed";
    QTest::newRow("no simulation with a separate server") << "--server h:1 --no-simulate"
                                                          << P::Error << "--no-simulate";
    QTest::newRow("pace below 1") << "--speed 0.5" << P::Error << "0.5";
    QTest::newRow("pace above 3600") << "--speed 3601" << P::Error << "3601";
    QTest::newRow("pace not a number") << "--speed fast" << P::Error << "fast";
    QTest::newRow("unknown option") << "--colour" << P::Error << "colour";
    QTest::newRow("stray argument") << "map.png" << P::Error << "map.png";
}

void tst_HostStartup::options()
{
    QFETCH(QString, arguments);
    QFETCH(HostOptions::Parse, result);
    QFETCH(QString, text);

    HostOptions o;
    o.serverHost = QStringLiteral("untouched");
    QString message;
    QCOMPARE(HostOptions::parse(QStringList{"opercheck-host"}
                                    + arguments.split(' ', Qt::SkipEmptyParts),
                                &o, &message),
             result);
    if (result == HostOptions::Parse::Ok) {
        QCOMPARE(QStringLiteral("server=%1:%2 token=%3 db=%4 shot=%5 simulate=%6 speed=%7")
                     .arg(o.serverHost)
                     .arg(o.serverPort)
                     .arg(QString::fromUtf8(o.token), o.databasePath, o.screenshotPath)
                     .arg(int(o.simulate))
                     .arg(o.speed),
                 text);
    } else {
        QVERIFY2(message.contains(text), qPrintable(message));
        QCOMPARE(o.serverHost, QString("untouched"));
    }
}

void tst_HostStartup::verificationText_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("accepted");

    const QByteArray ours(OC_PLUGIN_VERIFICATION_DATA);
    QTest::newRow("the host's own Qt build") << ours << true;
    const QByteArray otherDebug(qstrcmp(OC_VERIFICATION_DEBUG, "true") ? "true" : "false");
    QTest::newRow("debug flag of the other kind")
        << QByteArray(ours).replace("debug=" OC_VERIFICATION_DEBUG, "debug=" + otherDebug)
        << false;
    QTest::newRow("another Qt version")
        << QByteArray(ours).replace("version=" QT_VERSION_STR, "version=5.15.99") << false;
    QTest::newRow("a trailing line feed") << ours + '\n' << false;
    QTest::newRow("cut short") << ours.chopped(1) << false;
}

void tst_HostStartup::verificationText()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, accepted);
    QCOMPARE(PluginLoaderHost::isAccepted(text), accepted);
}

void tst_HostStartup::folderWithoutPlugins_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("content"); // empty: none; a path: a copy of that library
    QTest::addColumn<QString>("error");

    // A shared library every Debian system has and that is no plug-in.
    QString library;
    for (const char *path : {"/usr/lib/x86_64-linux-gnu/libz.so.1",
                             "/lib/x86_64-linux-gnu/libz.so.1",
                             "/usr/lib/aarch64-linux-gnu/libz.so.1"})
        library = library.isEmpty() && QFile::exists(path) ? path : library;
    QTest::newRow("empty folder") << QString() << "" << QString();
    QTest::newRow("text file with a library's name")
        << "libfake.so" << "not a library" << "libfake.so: not a plug-in of this host";
    if (!library.isEmpty())
        QTest::newRow("a real library without the entry point")
            << "libz.so" << library << "libz.so: not a plug-in of this host";
    QTest::newRow("not named like a library: not even looked at") << "notes.txt" << "text"
                                                                  << QString();
}

void tst_HostStartup::folderWithoutPlugins()
{
    QFETCH(QString, fileName);
    QFETCH(QString, content);
    QFETCH(QString, error);

    QTemporaryDir folder;
    const QString file = folder.filePath(fileName);
    QFile text(file);
    QVERIFY(content.isEmpty() || QFile::copy(content, file)
            || (text.open(QIODevice::WriteOnly) && text.write(content.toUtf8()) > 0));
    text.close();
    QStringList errors;
    QVERIFY(PluginLoaderHost::loadAll(folder.path(), &errors).isEmpty());
    QCOMPARE(errors, error.isEmpty() ? QStringList() : QStringList{error});
    QVERIFY(fileName.isEmpty() || PluginLoaderHost::verificationData(file).isEmpty());
}

QTEST_MAIN(tst_HostStartup)
#include "tst_host_startup.moc"
