#ifndef ITEMROLES_H
#define ITEMROLES_H

#include <QStandardItem>

class RouteRecord;
class SectionRecord;

// Data roles of tree items. The numbers are part of the contract between host and
// plug-in (the host's objects model uses 33 too), so they are spelled out, not derived.
namespace ItemRole {
constexpr int NodeId = 33;      // int
constexpr int TypeMask = 34;    // uint: bit 0 keeps a node, bit 1 allows editing
constexpr int GraphObject = 35; // pointer as qlonglong
constexpr int Route = 36;       // pointer as qlonglong
constexpr int Section = 37;     // pointer as qlonglong
constexpr int EditState = 38;   // int, see EditState
} // namespace ItemRole

namespace EditState {
constexpr int Unchanged = 0;
constexpr int Deleted = 1;
constexpr int New = 2;
constexpr int Changed = 3;
} // namespace EditState

// Pointers hang on items as 64-bit integers; 0 means none.
template <typename T>
inline T *itemRecord(const QStandardItem *item, int role)
{
    return item ? reinterpret_cast<T *>(item->data(role).toLongLong()) : nullptr;
}

inline void setItemRecord(QStandardItem *item, int role, const void *record)
{
    item->setData(qlonglong(reinterpret_cast<quintptr>(record)), role);
}

inline RouteRecord *itemRoute(const QStandardItem *item)
{
    return itemRecord<RouteRecord>(item, ItemRole::Route);
}

inline SectionRecord *itemSection(const QStandardItem *item)
{
    return itemRecord<SectionRecord>(item, ItemRole::Section);
}

inline int itemEditState(const QStandardItem *item)
{
    return item ? item->data(ItemRole::EditState).toInt() : 0;
}

#endif // ITEMROLES_H
