#include "PropertySchema.h"

#include "IconTable.h"

#include "delegates/CmbBoxDelegateOnMapIcon.h"
#include "delegates/ColorDialogDelegate.h"
#include "records/RecordKinds.h"

#include <QtGlobal>

namespace {

constexpr PropertyRow NameRow{QT_TRANSLATE_NOOP("GraphObject", "Name"), nullptr,
                              PropertyValue::Name};
constexpr PropertyRow CommentRow{QT_TRANSLATE_NOOP("GraphObject", "Comment"),
                                 GraphProperty::Comment, PropertyValue::Text};
constexpr PropertyRow ColorRow{QT_TRANSLATE_NOOP("GraphObject", "Color"), GraphProperty::Color,
                               PropertyValue::Colour};
constexpr PropertyRow BrushRow{QT_TRANSLATE_NOOP("GraphObject", "Brush"), GraphProperty::Brush,
                               PropertyValue::FillColour};

} // namespace

PropertySchema::PropertySchema(std::initializer_list<PropertyRow> rows)
    : m_rows(rows)
{
}

void PropertySchema::makeEditors() const
{
    for (const PropertyRow &row : m_rows) {
        if (row.value == PropertyValue::Colour && !m_colourEditor)
            m_colourEditor = new ColorDialogDelegate(false);
        if (row.value == PropertyValue::FillColour && !m_fillColourEditor)
            m_fillColourEditor = new ColorDialogDelegate(true);
    }
}

bool PropertySchema::hasEditor(const PropertyRow &row)
{
    return row.value == PropertyValue::Colour || row.value == PropertyValue::FillColour
        || row.value == PropertyValue::Icon;
}

QAbstractItemDelegate *PropertySchema::editorFor(const PropertyRow &row) const
{
    switch (row.value) {
    case PropertyValue::Colour:
        return m_colourEditor;
    case PropertyValue::FillColour:
        return m_fillColourEditor;
    case PropertyValue::Icon:
        return iconDelegate();
    case PropertyValue::Name:
    case PropertyValue::Text:
    case PropertyValue::Number:
        break;
    }
    return nullptr;
}

const PropertySchema &PropertySchema::iconText()
{
    static const PropertySchema schema{
        NameRow,
        {QT_TRANSLATE_NOOP("GraphObject", "Icon"), GraphProperty::IconName, PropertyValue::Icon},
        CommentRow};
    return schema;
}

const PropertySchema &PropertySchema::line()
{
    static const PropertySchema schema{
        NameRow,
        {QT_TRANSLATE_NOOP("GraphObject", "Width"), GraphProperty::Width, PropertyValue::Number},
        ColorRow,
        CommentRow};
    return schema;
}

const PropertySchema &PropertySchema::polygon()
{
    static const PropertySchema schema{NameRow, ColorRow, BrushRow, CommentRow};
    return schema;
}

const PropertySchema &PropertySchema::circle()
{
    static const PropertySchema schema{
        NameRow,
        {QT_TRANSLATE_NOOP("GraphObject", "Diameter, m"), GraphProperty::Diameter,
         PropertyValue::Number},
        ColorRow,
        BrushRow,
        CommentRow};
    return schema;
}
