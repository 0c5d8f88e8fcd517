// The host's plug-in loader: which verification texts it accepts, and what it
// makes of files in the plug-in folder that are not its plug-ins.
#include <PluginLoaderHost.h>

#include <PluginVerification.h>

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QByteArray Ours(OC_PLUGIN_VERIFICATION_DATA);

enum class Content { Nothing, Text, SystemLibrary };

} // namespace

Q_DECLARE_METATYPE(Content)

class tst_HostPluginLoading : public QObject
{
    Q_OBJECT

private slots:
    void verificationText_data();
    void verificationText();
    void folderWithoutPlugins_data();
    void folderWithoutPlugins();
};

void tst_HostPluginLoading::verificationText_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("the host's own Qt build") << Ours << true;
    const QByteArray otherDebug(qstrcmp(OC_VERIFICATION_DEBUG, "true") ? "true" : "false");
    QTest::newRow("debug flag of the other kind")
        << QByteArray(Ours).replace("debug=" OC_VERIFICATION_DEBUG, "debug=" + otherDebug)
        << false;
    QTest::newRow("another Qt version")
        << QByteArray(Ours).replace("version=" QT_VERSION_STR, "version=5.15.99") << false;
    QTest::newRow("a trailing line feed") << Ours + '\n' << false;
    QTest::newRow("cut short") << Ours.left(Ours.size() - 1) << false;
    QTest::newRow("nothing: no such entry point") << QByteArray() << false;
}

void tst_HostPluginLoading::verificationText()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, accepted);
    QCOMPARE(PluginLoaderHost::isAccepted(text), accepted);
}

void tst_HostPluginLoading::folderWithoutPlugins_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<Content>("content");
    QTest::addColumn<QString>("error");

    QTest::newRow("empty folder") << QString() << Content::Nothing << QString();
    QTest::newRow("text file with a library's name")
        << "libfake.so" << Content::Text << "libfake.so: not a plug-in of this host";
    QTest::newRow("a real library without the entry point")
        << "libz.so" << Content::SystemLibrary << "libz.so: not a plug-in of this host";
    QTest::newRow("not named like a library: not even looked at")
        << "notes.txt" << Content::Text << QString();
}

void tst_HostPluginLoading::folderWithoutPlugins()
{
    QFETCH(QString, fileName);
    QFETCH(Content, content);
    QFETCH(QString, error);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString file = folder.filePath(fileName);
    if (content == Content::Text) {
        QFile text(file);
        QVERIFY(text.open(QIODevice::WriteOnly) && text.write("not a library\n") > 0);
    } else if (content == Content::SystemLibrary) {
        // A shared library every Debian system has and that is no plug-in.
        QString library;
        for (const char *path : {"/usr/lib/x86_64-linux-gnu/libz.so.1",
                                 "/lib/x86_64-linux-gnu/libz.so.1",
                                 "/usr/lib/aarch64-linux-gnu/libz.so.1"})
            library = library.isEmpty() && QFile::exists(path) ? path : library;
        if (library.isEmpty())
            QSKIP("no zlib on this system");
        QVERIFY(QFile::copy(library, file));
    }

    QStringList errors;
    QVERIFY(PluginLoaderHost::loadAll(folder.path(), &errors).isEmpty());
    QCOMPARE(errors, error.isEmpty() ? QStringList() : QStringList{error});
    if (!fileName.isEmpty())
        QCOMPARE(PluginLoaderHost::verificationData(file), QByteArray());
}

QTEST_MAIN(tst_HostPluginLoading)
#include "tst_host_pluginloading.moc"
