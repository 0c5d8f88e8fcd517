// The host's plug-in loader: which verification texts it accepts, and what it
// makes of files in the plug-in folder that are not its plug-ins.
#include <PluginLoaderHost.h>

#include <PluginVerification.h>

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QByteArray Ours(OC_PLUGIN_VERIFICATION_DATA);

QByteArray replaced(QByteArray text, const QByteArray &from, const QByteArray &to)
{
    return text.replace(from, to);
}

// A shared library that every Debian system has and that is no plug-in.
QString systemLibrary()
{
    for (const char *path : {"/usr/lib/x86_64-linux-gnu/libz.so.1",
                             "/lib/x86_64-linux-gnu/libz.so.1",
                             "/usr/lib/aarch64-linux-gnu/libz.so.1"}) {
        if (QFile::exists(QString::fromLatin1(path)))
            return QString::fromLatin1(path);
    }
    return QString();
}

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

    const QByteArray debugFlipped = Ours.contains("debug=false")
        ? replaced(Ours, "debug=false", "debug=true")
        : replaced(Ours, "debug=true", "debug=false");

    QTest::newRow("the host's own Qt build") << Ours << true;
    QTest::newRow("a Qt 4.8.5 Windows release build")
        << QByteArray("pattern=QT_PLUGIN_VERIFICATION_DATA\nversion=4.8.5\ndebug=false\n"
                      "buildkey=Windows msvc release full-config")
        << false;
    QTest::newRow("debug flag of the other kind") << debugFlipped << false;
    QTest::newRow("another Qt version")
        << replaced(Ours, "version=" QT_VERSION_STR, "version=5.15.99") << false;
    QTest::newRow("another build key")
        << replaced(Ours, "full-config", "lite-config") << false;
    QTest::newRow("a trailing line feed") << Ours + '\n' << false;
    QTest::newRow("cut short") << Ours.left(Ours.size() - 1) << false;
    QTest::newRow("upper case") << Ours.toUpper() << false;
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
    if (content == Content::Text) {
        QFile file(folder.filePath(fileName));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a library\n");
    } else if (content == Content::SystemLibrary) {
        const QString library = systemLibrary();
        if (library.isEmpty())
            QSKIP("no zlib on this system");
        QVERIFY(QFile::copy(library, folder.filePath(fileName)));
    }

    QStringList errors;
    const QList<PluginLoaderHost::Loaded> loaded =
        PluginLoaderHost::loadAll(folder.path(), &errors);
    QVERIFY(loaded.isEmpty());
    QCOMPARE(errors, error.isEmpty() ? QStringList() : QStringList{error});
    if (!fileName.isEmpty())
        QCOMPARE(PluginLoaderHost::verificationData(folder.filePath(fileName)), QByteArray());
}

QTEST_MAIN(tst_HostPluginLoading)
#include "tst_host_pluginloading.moc"
