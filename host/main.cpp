#include "PluginLoaderHost.h"

#include <PluginInterface.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QMainWindow>
#include <QTabWidget>
#include <QTextStream>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("Write a PNG of the window and exit."),
                                        QStringLiteral("file"));
    parser.addOption(screenshot);
    parser.process(app);

    QTextStream err(stderr);
    QStringList errors;
    const auto plugins = PluginLoaderHost::loadAll(
        QCoreApplication::applicationDirPath() + QStringLiteral("/plugins"), &errors);
    for (const QString &error : qAsConst(errors))
        err << error << '\n';
    if (plugins.isEmpty()) {
        err << "no plug-in loaded\n";
        return 1;
    }

    QMainWindow window;
    auto *tabs = new QTabWidget;
    window.setCentralWidget(tabs);
    for (const auto &loaded : plugins) {
        tabs->addTab(new QWidget, QString());
        QWidget *page = loaded.plugin->CreateWidget(nullptr, tabs);
        const int index = tabs->count() - 1;
        tabs->removeTab(index);
        tabs->insertTab(index, page, loaded.plugin->GetName());
        loaded.plugin->BindMap(0, 1);
        err << "loaded " << loaded.fileName << ' ' << loaded.plugin->GetPluginName() << ' '
            << loaded.plugin->GetVersion() << '\n';
    }
    window.resize(480, 640);
    window.show();

    if (parser.isSet(screenshot)) {
        const QString file = parser.value(screenshot);
        QTimer::singleShot(200, &window, [&window, file]() {
            window.grab().save(file);
            QTextStream(stdout) << QDir(file).absolutePath() << '\n';
            QCoreApplication::quit();
        });
    }
    const int code = app.exec();
    for (const auto &loaded : plugins)
        delete loaded.instance;
    return code;
}
