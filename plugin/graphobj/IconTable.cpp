#include "IconTable.h"

#include "delegates/CmbBoxDelegateOnMapIcon.h"

#include <QCoreApplication>

#include <iterator>

namespace {

// Both live as long as the library: pictures must not outlive the GUI, and
// the delegate may still be installed on a view when the library unloads.
QMap<QString, QPixmap> *icons = nullptr;
CmbBoxDelegateOnMapIcon *delegate = nullptr;

struct IconRow
{
    const char *name;
    const char *path;
};

const IconRow iconRows[] = {
    {QT_TRANSLATE_NOOP("GraphObIconText", "Event"), ":/icon/resource/Events.png"},
    {QT_TRANSLATE_NOOP("GraphObIconText", "HotSituation"), ":/icon/resource/Hot Situation.png"},
    {QT_TRANSLATE_NOOP("GraphObIconText", "Hijacking"), ":/icon/resource/Hijacking.png"},
    {QT_TRANSLATE_NOOP("GraphObIconText", "Kill"), ":/icon/resource/Kill.png"},
    {QT_TRANSLATE_NOOP("GraphObIconText", "PostMOB"), ":/icon/resource/Post-MOB.png"},
    {QT_TRANSLATE_NOOP("GraphObIconText", "PostDPS"), ":/icon/resource/Post-DPS.png"},
    {QT_TRANSLATE_NOOP("GraphObIconText", "PostPPS"), ":/icon/resource/Post-PPS.png"},
    {QT_TRANSLATE_NOOP("GraphObIconText", "PostOMON"), ":/icon/resource/Post-OMON.png"},
    {QT_TRANSLATE_NOOP("GraphObIconText", "Center"), ":/icon/resource/Centr.png"},
    {QT_TRANSLATE_NOOP("GraphObIconText", "House"), ":/icon/resource/House.png"},
    {QT_TRANSLATE_NOOP("GraphObIconText", "SubUnit"), ":/icon/resource/Sub-unit.png"},
    {QT_TRANSLATE_NOOP("GraphObIconText", "PoliceStation"), ":/icon/resource/Glass.png"},
    {QT_TRANSLATE_NOOP("GraphObIconText", "ScreetCamera"), ":/icon/resource/street-video.png"},
    {QT_TRANSLATE_NOOP("GraphObIconText", "Pharmacy"), ":/icon/resource/pharmacy.png"},
    {QT_TRANSLATE_NOOP("GraphObIconText", "Hospital"), ":/icon/resource/hospital.png"},
    {QT_TRANSLATE_NOOP("GraphObIconText", "TK"), ":/icon/resource/tk.png"},
};

} // namespace

QMap<QString, QPixmap> &iconTable()
{
    if (!icons)
        icons = new QMap<QString, QPixmap>;
    return *icons;
}

void InitIconTable()
{
    QMap<QString, QPixmap> &table = iconTable();
    table.clear();
    for (const IconRow &row : iconRows) {
        table.insert(QCoreApplication::translate("GraphObIconText", row.name),
                     QPixmap(QString::fromLatin1(row.path)));
    }
    if (!delegate)
        delegate = new CmbBoxDelegateOnMapIcon(&table);
}

CmbBoxDelegateOnMapIcon *iconDelegate()
{
    return delegate;
}

int iconPosition(const QString &name)
{
    const QMap<QString, QPixmap> &table = iconTable();
    const auto found = table.constFind(name);
    if (found == table.constEnd())
        return -1;
    return int(std::distance(table.constBegin(), found));
}
