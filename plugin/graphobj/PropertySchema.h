#ifndef PROPERTYSCHEMA_H
#define PROPERTYSCHEMA_H

#include <QVector>

#include <initializer_list>

class ColorDialogDelegate;
class QAbstractItemDelegate;

// What a property row holds; it decides the row's cell and its editor.
enum class PropertyValue {
    Name,       // the object's own name, not a stored property
    Text,       // stored as given, shown as text
    Number,     // whole metres, shown as decimal text
    Colour,     // an outline colour, edited without alpha
    FillColour, // a fill colour, edited with alpha
    Icon,       // a name of the icon table, edited from the table
};

struct PropertyRow
{
    const char *label; // source text, translated in the "GraphObject" context
    const char *key;   // GraphProperty key the row stores into; null for the name row
    PropertyValue value;
};

// One kind's property table, row by row. Filling the table, applying an edit
// and installing the row editors all read it, so the three cannot drift apart.
// Each kind has its own colour editors, made once and kept for as long as the
// library is loaded.
class PropertySchema
{
public:
    PropertySchema(std::initializer_list<PropertyRow> rows);

    const QVector<PropertyRow> &rows() const { return m_rows; }

    // Makes the colour editors the rows need, once.
    void makeEditors() const;
    // Whether the row is edited by an editor of its own rather than in the cell.
    static bool hasEditor(const PropertyRow &row);
    // The row's editor; null for a row edited in the cell, and for the icon row
    // before the icon table is made.
    QAbstractItemDelegate *editorFor(const PropertyRow &row) const;

    static const PropertySchema &iconText();
    static const PropertySchema &line();
    static const PropertySchema &polygon();
    static const PropertySchema &circle();

private:
    QVector<PropertyRow> m_rows;
    mutable ColorDialogDelegate *m_colourEditor = nullptr;
    mutable ColorDialogDelegate *m_fillColourEditor = nullptr;
};

#endif // PROPERTYSCHEMA_H
