#ifndef ICONTABLE_H
#define ICONTABLE_H

#include <QMap>
#include <QPixmap>
#include <QString>

class CmbBoxDelegateOnMapIcon;

// The map icons by translated name, shared by the whole library and never freed.
QMap<QString, QPixmap> &iconTable();

// Refills the icon table and makes its combo delegate (once).
void InitIconTable();

// The one combo delegate over the icon table; null before InitIconTable.
CmbBoxDelegateOnMapIcon *iconDelegate();

// Position of name among the icon table's keys in key order; -1 when absent.
// The table is not changed.
int iconPosition(const QString &name);

#endif // ICONTABLE_H
