#include "PluginLibrary.h"

#include "graphobj/IconTable.h"

#include <QCoreApplication>
#include <QTranslator>

static void registerResources()
{
    Q_INIT_RESOURCE(operativecheck);
}

namespace PluginLibrary {

void initialize()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    registerResources();
}

void installTranslator()
{
    initialize();
    static QTranslator *translator = new QTranslator; // lives as long as the library
    QCoreApplication::removeTranslator(translator);
    translator->load(QStringLiteral("OperativeCheck.qm"),
                     QCoreApplication::applicationDirPath() + QStringLiteral("/plugins/"));
    QCoreApplication::installTranslator(translator);
}

void initIconTable()
{
    InitIconTable();
}

} // namespace PluginLibrary

namespace {
// Runs when the library is loaded, before the host asks for anything.
const bool libraryLoaded = (PluginLibrary::initialize(), true);
} // namespace
