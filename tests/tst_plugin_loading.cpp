#include <PluginInterface.h>
#include <PluginVerification.h>

#include <QCoreApplication>
#include <QFile>
#include <QJsonObject>
#include <QLibrary>
#include <QPluginLoader>
#include <QPointer>
#include <QSet>
#include <QTreeView>
#include <QtTest>

#include <elf.h>

#include <memory>

namespace {

using InstanceFunction = QObject *(*)();
using VerificationFunction = const char *(*)();

QString pluginFile(const char *name)
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/plugins/")
        + QLatin1String(name);
}

QString modulePath() { return pluginFile("libOperativeCheck.so"); }

// Defined functions and data in the dynamic symbol table with this binding.
QSet<QByteArray> exportedSymbols(const QByteArray &image, int binding)
{
    QSet<QByteArray> names;
    const char *base = image.constData();
    const auto *header = reinterpret_cast<const Elf64_Ehdr *>(base);
    if (image.size() < int(sizeof(Elf64_Ehdr))
        || qint64(header->e_shoff) + header->e_shnum * qint64(sizeof(Elf64_Shdr)) > image.size())
        return names;
    const auto *sections = reinterpret_cast<const Elf64_Shdr *>(base + header->e_shoff);
    for (int i = 0; i < header->e_shnum; ++i) {
        if (sections[i].sh_type != SHT_DYNSYM || sections[i].sh_link >= header->e_shnum)
            continue;
        const char *strings = base + sections[sections[i].sh_link].sh_offset;
        const auto *symbols = reinterpret_cast<const Elf64_Sym *>(base + sections[i].sh_offset);
        for (quint64 s = 0; s < sections[i].sh_size / sizeof(Elf64_Sym); ++s) {
            const int type = ELF64_ST_TYPE(symbols[s].st_info);
            if (symbols[s].st_shndx != SHN_UNDEF && ELF64_ST_BIND(symbols[s].st_info) == binding
                && (type == STT_FUNC || type == STT_OBJECT || type == STT_GNU_IFUNC))
                names.insert(QByteArray(strings + symbols[s].st_name));
        }
    }
    return names;
}

enum class Answer { Object, Interface, OtherPart, Null };

} // namespace

Q_DECLARE_METATYPE(Answer)

class tst_PluginLoading : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void oneInstanceAtATime();
    void metacast_data();
    void metacast();
    void exportTable();
    void translatedHeaders();

private:
    // The plug-in object, through the exported entry point; deleted in cleanup().
    QObject *instance()
    {
        made.append(instanceFunction());
        return made.last();
    }

    std::unique_ptr<QPluginLoader> loader;
    std::unique_ptr<QLibrary> library;
    InstanceFunction instanceFunction = nullptr;
    QList<QPointer<QObject>> made;
};

void tst_PluginLoading::init()
{
    loader = std::make_unique<QPluginLoader>(modulePath());
    QVERIFY2(loader->load(), qPrintable(loader->errorString()));
    library = std::make_unique<QLibrary>(modulePath());
    QVERIFY2(library->load(), qPrintable(library->errorString()));
    instanceFunction = reinterpret_cast<InstanceFunction>(library->resolve("qt_plugin_instance"));
    QVERIFY(instanceFunction);
}

void tst_PluginLoading::cleanup()
{
    // The plug-in object is the host's to delete; the library stays loaded, as
    // the host keeps it, because its translator and resources are still registered.
    for (const QPointer<QObject> &object : qAsConst(made))
        delete object.data();
    made.clear();
    library.reset();
    loader.reset();
}

void tst_PluginLoading::oneInstanceAtATime()
{
    QObject *first = instance();
    QVERIFY(first);
    QCOMPARE(loader->instance(), first);
    QVERIFY(!first->parent());
    auto *plugin = qobject_cast<PluginInterface *>(first);
    QVERIFY(plugin);
    QCOMPARE(plugin->GetPluginName(), QStringLiteral("OperativeCheckPlugin"));
    QCOMPARE(plugin->GetName(), QStringLiteral("OperativeCheck"));
    QCOMPARE(loader->metaData().value(QStringLiteral("IID")).toString(),
             QLatin1String(PluginInterface_iid));
    // The text the host's loader checks before it asks for the instance.
    auto query = reinterpret_cast<VerificationFunction>(
        library->resolve("qt_plugin_query_verification_data"));
    QVERIFY(query);
    QCOMPARE(QByteArray(query()), QByteArray(OC_PLUGIN_VERIFICATION_DATA));

    // Once the host deleted it, a fresh object, not a dangling one.
    first->setObjectName(QStringLiteral("deleted by the host"));
    delete first;
    QObject *second = instance();
    QVERIFY(second && second->objectName().isEmpty());
    QVERIFY(qobject_cast<PluginInterface *>(second));
    QCOMPARE(instanceFunction(), second);
    QCOMPARE(loader->instance(), second);
}

void tst_PluginLoading::metacast_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<Answer>("answer");

    QTest::newRow("own class") << QByteArray("OperativeCheck") << Answer::Object;
    QTest::newRow("panel base") << QByteArray("OperativeBase") << Answer::Object;
    QTest::newRow("interface id") << QByteArray(PluginInterface_iid) << Answer::Interface;
    QTest::newRow("interface class") << QByteArray("PluginInterface") << Answer::Interface;
    QTest::newRow("map binding part") << QByteArray("BindToMapModel") << Answer::OtherPart;
    QTest::newRow("interface id of another version")
        << QByteArray("com.orvind.Halvo5.PluginInterface/2.0") << Answer::Null;
    QTest::newRow("null name") << QByteArray() << Answer::Null;
}

void tst_PluginLoading::metacast()
{
    QFETCH(QByteArray, name);
    QFETCH(Answer, answer);

    QObject *object = instance();
    void *interfacePart = qobject_cast<PluginInterface *>(object);
    QVERIFY(interfacePart);
    void *cast = object->qt_metacast(name.isNull() ? nullptr : name.constData());
    switch (answer) {
    case Answer::Object: QCOMPARE(cast, static_cast<void *>(object)); break;
    case Answer::Interface: QCOMPARE(cast, interfacePart); break;
    case Answer::OtherPart:
        // Distinct parts of one object never share an address.
        QVERIFY(cast && cast != static_cast<void *>(object) && cast != interfacePart);
        QVERIFY(cast != object->qt_metacast("SupportTreeLayers"));
        break;
    case Answer::Null: QVERIFY(!cast); break;
    }
}

void tst_PluginLoading::exportTable()
{
    QFile file(modulePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray image = file.readAll();
    QVERIFY(image.startsWith(ELFMAG));
    if (image.at(EI_CLASS) != ELFCLASS64)
        QSKIP("the export table is read for 64-bit modules only");

    const QSet<QByteArray> expected{"qt_plugin_instance", "qt_plugin_query_metadata",
                                    "qt_plugin_query_verification_data"};
    const QSet<QByteArray> exported = exportedSymbols(image, STB_GLOBAL);
    QVERIFY2(exported == expected, (exported - expected).values().join(' ').constData());

    // Weak copies of other libraries' inline code are fine; the plug-in's own are not.
    for (const QByteArray &name : exportedSymbols(image, STB_WEAK)) {
        for (const char *own : {"OperativeCheck", "OperativeBase", "BindToMapModel",
                                "SupportTreeLayers", "RouteRecord", "SectionRecord",
                                "RouteMessages", "GraphOb", "PluginLibrary", "StreamRead"})
            QVERIFY2(!name.contains(own), name.constData());
    }
}

void tst_PluginLoading::translatedHeaders()
{
    QVERIFY(QFile::exists(pluginFile("OperativeCheck.qm")));
    QObject *object = instance();
    auto *plugin = qobject_cast<PluginInterface *>(object);
    QVERIFY(plugin);
    QPointer<QWidget> page(plugin->CreateWidget(nullptr, nullptr));
    QVERIFY(page);
    auto *view = page->findChild<QTreeView *>();
    QVERIFY(view && view->model());
    const QAbstractItemModel *model = view->model();
    QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QString("Графические слои/правила"));
    QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QString("Режим контроля"));

    // The host deletes the plug-in, then its page.
    delete object;
    QVERIFY(page);
    delete page.data();
}

QTEST_MAIN(tst_PluginLoading)
#include "tst_plugin_loading.moc"
