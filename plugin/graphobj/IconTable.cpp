#include "IconTable.h"

#include "delegates/CmbBoxDelegateOnMapIcon.h"
#include "icons/MapIcons.h"

#include <QCoreApplication>

#include <iterator>

namespace {

// Both live as long as the library: pictures must not outlive the GUI, and
// the delegate may still be installed on a view when the library unloads.
QMap<QString, QPixmap> *icons = nullptr;
CmbBoxDelegateOnMapIcon *delegate = nullptr;

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
    for (const MapIcons::Icon &icon : MapIcons::all())
        table.insert(QCoreApplication::translate("GraphObIconText", icon.name), QPixmap(icon.path));
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
