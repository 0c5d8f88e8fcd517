#ifndef MAPICONS_H
#define MAPICONS_H

#include <QImage>
#include <QList>
#include <QString>

// The pictures an icon object can show on the map. The names are the keys the
// server stores under GraphProperty::IconName (in the operator's language,
// translated in the "GraphObIconText" context); the pictures are compiled in.
namespace MapIcons {

struct Icon
{
    const char *name; // source text, marked for translation
    QString path;     // in the resources
};

// Every icon, in the order the pictures were drawn.
const QList<Icon> &all();

// The picture for a resource path of all(); a null image for any other.
QImage picture(const QString &path);

} // namespace MapIcons

#endif // MAPICONS_H
