#include "HostLanguage.h"
#include "HostLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QLibraryInfo>
#include <QLocale>

#include <vector>

// In a static library, the catalogue's resource is registered by hand.
static void registerCatalogue()
{
    Q_INIT_RESOURCE(opercheck_host_i18n);
}

namespace {

// Answers with the source text wherever one of the plug-ins' catalogues would
// translate, and nothing elsewhere, so that the others answer. Whenever
// another translator is installed it moves back in front, as a plug-in
// installs its catalogue while it is being made and translates right after.
class SourceTextTranslator : public QTranslator
{
public:
    explicit SourceTextTranslator(const QString &pluginFolder)
    {
        const QDir folder(pluginFolder);
        for (const QString &name : folder.entryList({QStringLiteral("*.qm")}, QDir::Files)) {
            auto catalogue = std::make_unique<QTranslator>();
            if (catalogue->load(folder.filePath(name)))
                m_catalogues.push_back(std::move(catalogue));
        }
        QCoreApplication::instance()->installEventFilter(this);
        QCoreApplication::installTranslator(this);
    }

    QString translate(const char *context, const char *sourceText,
                      const char *disambiguation, int n) const override
    {
        for (const auto &catalogue : m_catalogues) {
            if (!catalogue->translate(context, sourceText, disambiguation, n).isEmpty())
                return QString::fromUtf8(sourceText);
        }
        return QString();
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::LanguageChange && watched == QCoreApplication::instance()
            && !m_moving) {
            m_moving = true;
            QCoreApplication::removeTranslator(this);
            QCoreApplication::installTranslator(this);
            m_moving = false;
        }
        return false;
    }

private:
    std::vector<std::unique_ptr<QTranslator>> m_catalogues;
    bool m_moving = false;
};

std::unique_ptr<QTranslator> installed(const QString &fileName, const QString &folder)
{
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(fileName, folder))
        return nullptr;
    QCoreApplication::installTranslator(translator.get());
    return translator;
}

} // namespace

QString HostLanguage::systemDefault()
{
    return QLocale::system().language() == QLocale::Russian ? QStringLiteral("ru")
                                                            : QStringLiteral("en");
}

bool HostLanguage::isKnown(const QString &name)
{
    return name == QLatin1String("ru") || name == QLatin1String("en");
}

HostLanguage::HostLanguage(const QString &language)
    : m_language(language)
{
    if (language == QLatin1String("ru")) {
        // The catalogue's "%L1" numbers: decimal comma, grouped thousands.
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        registerCatalogue();
        const QString qtFolder = QLibraryInfo::location(QLibraryInfo::TranslationsPath);
        m_qt = installed(QStringLiteral("qtbase_ru.qm"), qtFolder);
        if (!m_qt)
            qCWarning(lcHost).noquote() << "no qtbase_ru.qm in" << qtFolder;
        m_host = installed(QStringLiteral("opercheck-host_ru.qm"), QStringLiteral(":/i18n"));
    }
}

void HostLanguage::keepPluginTexts(const QString &pluginFolder)
{
    if (m_language != QLatin1String("ru"))
        m_sourceTexts = std::make_unique<SourceTextTranslator>(pluginFolder);
}

HostLanguage::~HostLanguage()
{
    for (const auto *translator : {&m_sourceTexts, &m_host, &m_qt}) {
        if (*translator)
            QCoreApplication::removeTranslator(translator->get());
    }
    QLocale::setDefault(m_previousLocale);
}
