#ifndef HOSTLANGUAGE_H
#define HOSTLANGUAGE_H

#include <QLocale>
#include <QString>
#include <QTranslator>

#include <memory>

// The one language of the window. Russian: the host's catalogue and Qt's own.
// English: the plug-ins bring Russian catalogues of their own, so a translator
// that gives their texts back as written stays in front of them.
class HostLanguage
{
public:
    // "ru" for a Russian system locale, "en" otherwise.
    static QString systemDefault();
    static bool isKnown(const QString &name);

    // Installs the catalogues of language ("ru" or "en") until destroyed.
    explicit HostLanguage(const QString &language);
    ~HostLanguage();

    // In English, the texts of the plug-ins in pluginFolder stay as written.
    // Call before loading them.
    void keepPluginTexts(const QString &pluginFolder);

private:
    QString m_language;
    QLocale m_previousLocale;
    std::unique_ptr<QTranslator> m_host;
    std::unique_ptr<QTranslator> m_qt;
    std::unique_ptr<QTranslator> m_sourceTexts;

    Q_DISABLE_COPY(HostLanguage)
};

#endif // HOSTLANGUAGE_H
