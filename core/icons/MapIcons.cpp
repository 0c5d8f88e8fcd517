#include "icons/MapIcons.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must not be called from inside a namespace.
static void initMapIconResources()
{
    Q_INIT_RESOURCE(mapicons);
}

namespace MapIcons {

namespace {

Icon icon(const char *name, const char *file)
{
    return Icon{name, QStringLiteral(":/icon/resource/") + QLatin1String(file)};
}

} // namespace

const QList<Icon> &all()
{
    static const QList<Icon> icons = [] {
        initMapIconResources();
        return QList<Icon>{
            icon(QT_TRANSLATE_NOOP("GraphObIconText", "Event"), "Events.png"),
            icon(QT_TRANSLATE_NOOP("GraphObIconText", "HotSituation"), "Hot Situation.png"),
            icon(QT_TRANSLATE_NOOP("GraphObIconText", "Hijacking"), "Hijacking.png"),
            icon(QT_TRANSLATE_NOOP("GraphObIconText", "Kill"), "Kill.png"),
            icon(QT_TRANSLATE_NOOP("GraphObIconText", "PostMOB"), "Post-MOB.png"),
            icon(QT_TRANSLATE_NOOP("GraphObIconText", "PostDPS"), "Post-DPS.png"),
            icon(QT_TRANSLATE_NOOP("GraphObIconText", "PostPPS"), "Post-PPS.png"),
            icon(QT_TRANSLATE_NOOP("GraphObIconText", "PostOMON"), "Post-OMON.png"),
            icon(QT_TRANSLATE_NOOP("GraphObIconText", "Center"), "Centr.png"),
            icon(QT_TRANSLATE_NOOP("GraphObIconText", "House"), "House.png"),
            icon(QT_TRANSLATE_NOOP("GraphObIconText", "SubUnit"), "Sub-unit.png"),
            icon(QT_TRANSLATE_NOOP("GraphObIconText", "PoliceStation"), "Glass.png"),
            icon(QT_TRANSLATE_NOOP("GraphObIconText", "ScreetCamera"), "street-video.png"),
            icon(QT_TRANSLATE_NOOP("GraphObIconText", "Pharmacy"), "pharmacy.png"),
            icon(QT_TRANSLATE_NOOP("GraphObIconText", "Hospital"), "hospital.png"),
            icon(QT_TRANSLATE_NOOP("GraphObIconText", "TK"), "tk.png"),
        };
    }();
    return icons;
}

QImage picture(const QString &path)
{
    for (const Icon &icon : all()) {
        if (icon.path == path)
            return QImage(path);
    }
    return QImage();
}

} // namespace MapIcons
