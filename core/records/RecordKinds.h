#ifndef RECORDKINDS_H
#define RECORDKINDS_H

#include <QtGlobal>

#include <optional>

// The named values of record fields. Records keep the wire's plain integers,
// since a server may send codes this build does not know and they are carried
// back unchanged; these names are what the code compares them with.

// A graphic object's type code.
enum class GraphKind : qint32 {
    Abstract = 0,
    IconText = 1,
    Line = 2,
    Polygon = 3,
    Circle = 4,
    Cone = 5, // named, but no class draws it
};

// The kind for a code that names a drawable shape; nothing for any other code.
inline std::optional<GraphKind> drawableKind(qint32 code)
{
    if (code >= qint32(GraphKind::IconText) && code <= qint32(GraphKind::Circle))
        return GraphKind(code);
    return std::nullopt;
}

// What a route's check windows count from.
enum class CheckTimeType : qint32 {
    AtCheckOn = 0,     // the moment checking was switched on
    EveryDay = 1,      // local midnight
    Weekly = 2,        // Monday, local midnight
    Monthly = 3,       // the 1st, local midnight
    PlanIntercept = 4, // the interception plan: windows from the moment checking was switched on
};

// A section's live state as the server reports it.
enum class SectionState : qint32 {
    Due = 0,      // not yet due, or not yet judged
    Violated = 1,
    Passed = 2,
};

// How a section's shapes are drawn: hidden, in their own colours, or tinted by state.
enum class DrawMode : int {
    Hidden = 0,
    Own = 1,
    Violated = 2,
    Passed = 3,
};

// The drawing mode of a shown section in a state; an unknown state keeps the own colours.
inline DrawMode drawModeFor(qint32 state)
{
    switch (SectionState(state)) {
    case SectionState::Violated:
        return DrawMode::Violated;
    case SectionState::Passed:
        return DrawMode::Passed;
    case SectionState::Due:
        break;
    }
    return DrawMode::Own;
}

// The type bits of rule and layer nodes: bit 0 shows a node, bit 1 allows
// editing it (and adding nodes under it).
namespace NodeBits {
inline constexpr quint32 Hidden = 0;
inline constexpr quint32 Shown = 1;
inline constexpr quint32 Editable = 2;
} // namespace NodeBits

// The most points one graphic object may have.
inline constexpr int MaxShapePoints = 100000;

// Keys of a graphic object's property map, as the server stores them.
namespace GraphProperty {
inline constexpr char IconName[] = "IconName";
inline constexpr char Width[] = "Width";
inline constexpr char Color[] = "Color";
inline constexpr char Brush[] = "Brush";
inline constexpr char Diameter[] = "Diameter";
inline constexpr char Comment[] = "Comment";
} // namespace GraphProperty

#endif // RECORDKINDS_H
