#include <PluginInterface.h>
#include <PluginVerification.h>

#include <QCoreApplication>
#include <QFile>
#include <QJsonObject>
#include <QLibrary>
#include <QPluginLoader>
#include <QPointer>
#include <QSet>
#include <QStandardItemModel>
#include <QTreeView>
#include <QtTest>

#include <elf.h>

#include <memory>

namespace {

using InstanceFunction = QObject *(*)();
using VerificationFunction = const char *(*)();

QString modulePath()
{
    return QCoreApplication::applicationDirPath()
        + QStringLiteral("/plugins/libOperativeCheck.so");
}

// Defined functions and data the module offers to the dynamic linker, strong
// ones, or weak ones (out-of-line copies of inline code from other libraries'
// headers, which an unoptimised build keeps).
QSet<QByteArray> exportedSymbols(const QByteArray &image, int binding)
{
    QSet<QByteArray> names;
    if (image.size() < int(sizeof(Elf64_Ehdr)))
        return names;
    const char *base = image.constData();
    const auto *header = reinterpret_cast<const Elf64_Ehdr *>(base);
    const qint64 sectionsEnd =
        qint64(header->e_shoff) + qint64(header->e_shnum) * qint64(sizeof(Elf64_Shdr));
    if (sectionsEnd > image.size())
        return names;
    const auto *sections = reinterpret_cast<const Elf64_Shdr *>(base + header->e_shoff);
    for (int i = 0; i < header->e_shnum; ++i) {
        if (sections[i].sh_type != SHT_DYNSYM || sections[i].sh_link >= header->e_shnum)
            continue;
        const Elf64_Shdr &strings = sections[sections[i].sh_link];
        const auto *symbols = reinterpret_cast<const Elf64_Sym *>(base + sections[i].sh_offset);
        const qint64 count = qint64(sections[i].sh_size / sizeof(Elf64_Sym));
        for (qint64 s = 0; s < count; ++s) {
            const Elf64_Sym &symbol = symbols[s];
            const int type = ELF64_ST_TYPE(symbol.st_info);
            const int bind = ELF64_ST_BIND(symbol.st_info);
            if (symbol.st_shndx == SHN_UNDEF || bind != binding)
                continue;
            if (type != STT_FUNC && type != STT_OBJECT && type != STT_GNU_IFUNC)
                continue;
            names.insert(QByteArray(base + strings.sh_offset + symbol.st_name));
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
    void initTestCase();
    void init();
    void cleanup();

    void interfaceThroughLoader();
    void oneInstanceAtATime();
    void verificationData();
    void metacast_data();
    void metacast();
    void names();
    void reservedOperations_data();
    void reservedOperations();
    void entryPointsOnly_data();
    void entryPointsOnly();
    void exportTable();
    void translatedHeaders();

private:
    // The plug-in object, through the exported entry point; remembered for cleanup().
    QObject *instance();
    QObject *track(QObject *object);

    std::unique_ptr<QPluginLoader> loader;
    std::unique_ptr<QLibrary> library;
    InstanceFunction instanceFunction = nullptr;
    QList<QPointer<QObject>> made;
};

void tst_PluginLoading::initTestCase()
{
    QVERIFY2(QFile::exists(modulePath()), qPrintable(modulePath()));
}

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
    // The plug-in object is the host's to delete; the library stays loaded,
    // as the host keeps it, because its translator and resources are still registered.
    for (const QPointer<QObject> &object : qAsConst(made))
        delete object.data();
    made.clear();
    instanceFunction = nullptr;
    library.reset();
    loader.reset();
}

QObject *tst_PluginLoading::instance()
{
    return track(instanceFunction());
}

QObject *tst_PluginLoading::track(QObject *object)
{
    made.append(object);
    return object;
}

void tst_PluginLoading::interfaceThroughLoader()
{
    QObject *object = track(loader->instance());
    QVERIFY2(object, qPrintable(loader->errorString()));
    QCOMPARE(object, instance());
    auto *plugin = qobject_cast<PluginInterface *>(object);
    QVERIFY(plugin);
    QCOMPARE(static_cast<void *>(plugin), object->qt_metacast(PluginInterface_iid));
    QCOMPARE(object->metaObject()->className(), "OperativeCheck");
    QVERIFY(object->metaObject()->superClass());
    QCOMPARE(object->metaObject()->superClass()->className(), "OperativeBase");
    QVERIFY(!object->parent());

    const QJsonObject metaData = loader->metaData();
    QCOMPARE(metaData.value(QStringLiteral("IID")).toString(),
             QStringLiteral("com.orvind.Halvo5.PluginInterface/1.0"));
    QCOMPARE(metaData.value(QStringLiteral("className")).toString(),
             QStringLiteral("OperativeCheck"));
}

void tst_PluginLoading::oneInstanceAtATime()
{
    QObject *first = instance();
    QVERIFY(first);
    QCOMPARE(instanceFunction(), first);
    QCOMPARE(loader->instance(), first);

    first->setObjectName(QStringLiteral("deleted by the host"));
    QPointer<QObject> guard(first);
    delete first;
    QVERIFY(guard.isNull());

    QObject *second = instance();
    QVERIFY(second);
    QVERIFY(second->objectName().isEmpty());
    QVERIFY(qobject_cast<PluginInterface *>(second));
    QCOMPARE(instanceFunction(), second);
    QCOMPARE(loader->instance(), second);
}

void tst_PluginLoading::verificationData()
{
    auto query = reinterpret_cast<VerificationFunction>(
        library->resolve("qt_plugin_query_verification_data"));
    QVERIFY(query);
    const QByteArray text(query());
    QCOMPARE(text, QByteArray(OC_PLUGIN_VERIFICATION_DATA));
    QVERIFY(text.startsWith("pattern=QT_PLUGIN_VERIFICATION_DATA\nversion="));
    QVERIFY(text.contains("\nversion=" QT_VERSION_STR "\n"));
    QVERIFY(text.endsWith(" full-config"));
    // The same constant on every call.
    QCOMPARE(static_cast<const void *>(query()), static_cast<const void *>(query()));
}

void tst_PluginLoading::metacast_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<Answer>("answer");

    QTest::newRow("own class") << QByteArray("OperativeCheck") << Answer::Object;
    QTest::newRow("interface id") << QByteArray(PluginInterface_iid) << Answer::Interface;
    QTest::newRow("panel base") << QByteArray("OperativeBase") << Answer::Object;
    QTest::newRow("interface class") << QByteArray("PluginInterface") << Answer::Interface;
    QTest::newRow("map binding part") << QByteArray("BindToMapModel") << Answer::OtherPart;
    QTest::newRow("tree support part") << QByteArray("SupportTreeLayers") << Answer::OtherPart;
    QTest::newRow("QObject") << QByteArray("QObject") << Answer::Object;
    QTest::newRow("unknown name") << QByteArray("NoSuchClass") << Answer::Null;
    QTest::newRow("interface id of another version")
        << QByteArray("com.orvind.Halvo5.PluginInterface/2.0") << Answer::Null;
    QTest::newRow("empty name") << QByteArray("") << Answer::Null;
    QTest::newRow("null name") << QByteArray() << Answer::Null;
}

void tst_PluginLoading::metacast()
{
    QFETCH(QByteArray, name);
    QFETCH(Answer, answer);

    QObject *object = instance();
    QVERIFY(object);
    void *interfacePart = qobject_cast<PluginInterface *>(object);
    QVERIFY(interfacePart);

    void *cast = object->qt_metacast(name.isNull() ? nullptr : name.constData());
    switch (answer) {
    case Answer::Object:
        QCOMPARE(cast, static_cast<void *>(object));
        break;
    case Answer::Interface:
        QCOMPARE(cast, interfacePart);
        break;
    case Answer::OtherPart: {
        // Distinct parts of one object never share an address.
        QVERIFY(cast);
        QVERIFY(cast != static_cast<void *>(object));
        QVERIFY(cast != interfacePart);
        void *binding = object->qt_metacast("BindToMapModel");
        void *support = object->qt_metacast("SupportTreeLayers");
        QVERIFY(binding != support);
        break;
    }
    case Answer::Null:
        QVERIFY(!cast);
        break;
    }
}

void tst_PluginLoading::names()
{
    auto *plugin = qobject_cast<PluginInterface *>(instance());
    QVERIFY(plugin);
    QCOMPARE(plugin->GetVersion(), QStringLiteral("5.4.120:2f43adc8af0b"));
    QCOMPARE(plugin->GetPluginName(), QStringLiteral("OperativeCheckPlugin"));
    QCOMPARE(plugin->GetName(), QStringLiteral("OperativeCheck"));
    QVERIFY(plugin->GetIcon().isNull());
}

void tst_PluginLoading::reservedOperations_data()
{
    QTest::addColumn<int>("slot");

    for (int slot : {5, 6, 8, 9, 10, 11, 13, 17, 18, 21, 22, 23})
        QTest::addRow("operation %d", slot) << slot;
}

void tst_PluginLoading::reservedOperations()
{
    QFETCH(int, slot);

    auto *plugin = qobject_cast<PluginInterface *>(instance());
    QVERIFY(plugin);
    int answer = 0;
    switch (slot) {
    case 5: answer = plugin->Reserved5(17); break;
    case 6: answer = plugin->Reserved6(); break;
    case 8: answer = plugin->Reserved8(-1); break;
    case 9: answer = plugin->Reserved9(); break;
    case 10: answer = plugin->Reserved10(3); break;
    case 11: answer = plugin->Reserved11(); break;
    case 13: answer = plugin->Reserved13(); break;
    case 17: plugin->Reserved17(1, 2, 3); break;
    case 18: plugin->Reserved18(1, 2, 3); break;
    case 21: answer = plugin->Reserved21(); break;
    case 22: plugin->Reserved22(1, 2); break;
    case 23: answer = plugin->Reserved23(); break;
    default: QFAIL("no such operation");
    }
    QCOMPARE(answer, 0);
    // Nothing of the plug-in changed: it still answers as itself.
    QCOMPARE(plugin->GetName(), QStringLiteral("OperativeCheck"));
}

void tst_PluginLoading::entryPointsOnly_data()
{
    QTest::addColumn<QByteArray>("symbol");
    QTest::addColumn<bool>("exported");

    QTest::newRow("instance") << QByteArray("qt_plugin_instance") << true;
    QTest::newRow("verification data") << QByteArray("qt_plugin_query_verification_data") << true;
    QTest::newRow("metadata") << QByteArray("qt_plugin_query_metadata") << true;
    QTest::newRow("plug-in constructor") << QByteArray("_ZN14OperativeCheckC1Ev") << false;
    QTest::newRow("plug-in name") << QByteArray("_ZN14OperativeCheck13GetPluginNameEv") << false;
    QTest::newRow("plug-in vtable") << QByteArray("_ZTV14OperativeCheck") << false;
    QTest::newRow("plug-in meta-object")
        << QByteArray("_ZN14OperativeCheck16staticMetaObjectE") << false;
    QTest::newRow("map scale") << QByteArray("_ZN14BindToMapModel12scaleForRectEiiii") << false;
    QTest::newRow("library set-up") << QByteArray("_ZN13PluginLibrary10initializeEv") << false;
    QTest::newRow("route reader")
        << QByteArray("_ZN13RouteMessages9readRouteER11QDataStream") << false;
}

void tst_PluginLoading::entryPointsOnly()
{
    QFETCH(QByteArray, symbol);
    QFETCH(bool, exported);

    QCOMPARE(library->resolve(symbol.constData()) != nullptr, exported);
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
    QStringList extra;
    for (const QByteArray &name : exported - expected)
        extra << QString::fromLatin1(name);
    QVERIFY2(extra.isEmpty(), qPrintable(extra.join(QLatin1Char(' '))));
    QCOMPARE(exported, expected);

    // Nothing of the plug-in's own leaks out as a weak symbol either.
    const QList<QByteArray> ownNames{"OperativeCheck", "OperativeBase", "BindToMapModel",
                                     "SupportTreeLayers", "RouteRecord", "SectionRecord",
                                     "RouteMessages", "GraphOb", "PluginLibrary", "StreamRead"};
    for (const QByteArray &name : exportedSymbols(image, STB_WEAK)) {
        for (const QByteArray &own : ownNames)
            QVERIFY2(!name.contains(own), name.constData());
    }
}

void tst_PluginLoading::translatedHeaders()
{
    const QString catalogue =
        QCoreApplication::applicationDirPath() + QStringLiteral("/plugins/OperativeCheck.qm");
    QVERIFY2(QFile::exists(catalogue), qPrintable(catalogue));

    QObject *object = instance();
    auto *plugin = qobject_cast<PluginInterface *>(object);
    QVERIFY(plugin);
    QPointer<QWidget> page(plugin->CreateWidget(nullptr, nullptr));
    QVERIFY(page);
    auto *view = page->findChild<QTreeView *>();
    QVERIFY(view);
    QAbstractItemModel *model = view->model();
    QVERIFY(model);
    QCOMPARE(model->columnCount(), 2);
    QCOMPARE(model->headerData(0, Qt::Horizontal).toString(),
             QStringLiteral("Графические слои/правила"));
    QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Режим контроля"));

    // The host deletes the plug-in, then its page.
    delete object;
    QVERIFY(page);
    delete page.data();
}

QTEST_MAIN(tst_PluginLoading)
#include "tst_plugin_loading.moc"
