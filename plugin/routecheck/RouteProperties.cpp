#include "RouteProperties.h"

#include "RouteTree.h"
#include "ScheduleEditors.h"

#include "calendar/Duration.h"
#include "delegates/CmbBoxDelegateOnStrList.h"
#include "delegates/LineEditDelegate.h"
#include "panel/ItemChangeGate.h"
#include "panel/LabelColumn.h"
#include "panel/PanProperties.h"
#include "records/ItemRoles.h"
#include "records/RouteRecord.h"
#include "records/SectionRecord.h"

#include <PluginHost.h>

#include <QCoreApplication>
#include <QStandardItemModel>
#include <QTableView>

#include <functional>

namespace {

enum SectionRow {
    NameRow,
    MessageInRow,
    MessageOutRow,
    ScheduleRow,
    TimeInRow,
    InAheadRow,
    InBehindRow,
    TimeOutRow,
    OutAheadRow,
    OutBehindRow,
    DelayRow,
    SectionRowCount
};

const char *const SectionLabels[SectionRowCount] = {
    QT_TRANSLATE_NOOP("OperativeCheck", "Name"),
    QT_TRANSLATE_NOOP("OperativeCheck", "Message on time in"),
    QT_TRANSLATE_NOOP("OperativeCheck", "Message on time out"),
    QT_TRANSLATE_NOOP("OperativeCheck", "Check schedule on"),
    QT_TRANSLATE_NOOP("OperativeCheck", "CheckTimeIn"),
    QT_TRANSLATE_NOOP("OperativeCheck", "CheckTimeIn, ahead, sec"),
    QT_TRANSLATE_NOOP("OperativeCheck", "CheckTimeIn, behind, sec"),
    QT_TRANSLATE_NOOP("OperativeCheck", "CheckTimeOut"),
    QT_TRANSLATE_NOOP("OperativeCheck", "CheckTimeOut, ahead, sec"),
    QT_TRANSLATE_NOOP("OperativeCheck", "CheckTimeOut, behind, sec"),
    QT_TRANSLATE_NOOP("OperativeCheck", "Delay into"),
};

// The whole label shows as its tooltip, however narrow the column.
QStandardItem *labelCell(const QString &text)
{
    auto *cell = new QStandardItem(text);
    cell->setEditable(false);
    cell->setToolTip(text);
    return cell;
}

// Times are seconds in an int; sums saturate instead of wrapping.
int addSeconds(qint64 a, qint64 b)
{
    return int(qBound<qint64>(-2147483647, a + b, 2147483647));
}

// Tolerances are unsigned decimal text; anything else, or past the int range, is 0.
int toleranceValue(const QVariant &value)
{
    bool ok = false;
    const uint number = value.toString().toUInt(&ok);
    return ok && number <= 2147483647u ? int(number) : 0;
}

} // namespace

RouteProperties::RouteProperties(PanProperties &panel, ItemChangeGate &propertyGate,
                                 RouteTree &tree)
    : m_panel(panel)
    , m_propertyGate(propertyGate)
    , m_tree(tree)
{
}

void RouteProperties::show(QStandardItem *item, const QStandardItemModel *trackedObjects)
{
    SectionRecord *section = itemSection(item);
    RouteRecord *route = section ? nullptr : itemRoute(item);

    QTableView *view = m_panel.propertyView();
    QStandardItemModel *table = m_panel.propertyModel();
    for (int row = 0; row < table->rowCount(); ++row)
        view->setItemDelegateForRow(row, nullptr);

    if (route)
        showRouteRows(*route, trackedObjects);
    else if (section)
        showSectionRows(*section);
    else
        table->clear();
    m_panel.labelColumn()->fit();
}

void RouteProperties::startTable()
{
    QStandardItemModel *table = m_panel.propertyModel();
    table->clear();
    table->setColumnCount(2);
    table->setRowCount(0);
    table->setHeaderData(0, Qt::Horizontal, QCoreApplication::translate("OperativeCheck", "Param"),
                         Qt::EditRole);
    table->setHeaderData(1, Qt::Horizontal, QCoreApplication::translate("OperativeCheck", "Value"),
                         Qt::EditRole);
}

void RouteProperties::showRouteRows(const RouteRecord &route,
                                    const QStandardItemModel *trackedObjects)
{
    const ItemChangeGate::Muted muted(m_propertyGate);
    startTable();
    QStandardItemModel *table = m_panel.propertyModel();
    m_panel.propertyView()->setItemDelegateForRow(0, ScheduleEditors::instance().timeTypeEditor);

    auto *objectsCell = new QStandardItem;
    objectsCell->setEditable(false);
    table->appendRow(
        {labelCell(QCoreApplication::translate("OperativeCheck", "Check time type")),
         new QStandardItem});
    table->appendRow(
        {labelCell(QCoreApplication::translate("OperativeCheck", "Objects")), objectsCell});

    const ScheduleEditors &editors = ScheduleEditors::instance();
    table->item(0, 1)->setText(editors.timeTypes.value(route.checkTimeType));
    table->item(0, 1)->setToolTip(editors.timeTypeTips.value(route.checkTimeType));
    objectsCell->setText(objectsText(route.objects, trackedObjects));
}

QString RouteProperties::objectsText(const QList<int> &objects,
                                     const QStandardItemModel *trackedObjects)
{
    if (!trackedObjects)
        return QString();
    QList<int> remaining = objects;
    QString text;
    std::function<void(const QStandardItem *)> visit = [&](const QStandardItem *item) {
        const auto *object = itemRecord<TrackedObject>(item, ItemRole::NodeId);
        if (object && remaining.removeOne(object->id))
            text += item->text() + QStringLiteral(", ");
        for (int row = 0; row < item->rowCount(); ++row) {
            if (const QStandardItem *child = item->child(row))
                visit(child);
        }
    };
    const QStandardItem *root = trackedObjects->invisibleRootItem();
    for (int row = 0; row < root->rowCount(); ++row) {
        if (const QStandardItem *item = root->child(row))
            visit(item);
    }
    text.chop(2);
    return text;
}

void RouteProperties::showSectionRows(const SectionRecord &section)
{
    QStandardItemModel *table = m_panel.propertyModel();
    {
        const ItemChangeGate::Muted muted(m_propertyGate);
        startTable();
        for (int row = 0; row < SectionRowCount; ++row) {
            auto *value = new QStandardItem;
            if (row >= MessageInRow && row <= ScheduleRow) {
                value->setCheckable(true);
                value->setEditable(false);
            }
            table->appendRow(
                {labelCell(QCoreApplication::translate("OperativeCheck", SectionLabels[row])),
                 value});
        }
        LineEditDelegate *durationEditor = ScheduleEditors::instance().durationEditor;
        m_panel.propertyView()->setItemDelegateForRow(TimeInRow, durationEditor);
        m_panel.propertyView()->setItemDelegateForRow(TimeOutRow, durationEditor);
        m_panel.propertyView()->setItemDelegateForRow(DelayRow, durationEditor);
    }
    fillSectionValues(section, table);
}

void RouteProperties::fillSectionValues(const SectionRecord &section, QStandardItemModel *table)
{
    if (!table || table->rowCount() < SectionRowCount)
        return;
    const ItemChangeGate::Muted muted(m_propertyGate);
    auto value = [table](int row) { return table->item(row, 1); };
    auto checkState = [](bool on) { return on ? Qt::Checked : Qt::Unchecked; };
    value(NameRow)->setText(section.name);
    value(MessageInRow)->setCheckState(checkState(section.messageOnTimeIn));
    value(MessageOutRow)->setCheckState(checkState(section.messageOnTimeOut));
    value(ScheduleRow)->setCheckState(checkState(section.checkScheduleOn));
    if (section.checkScheduleOn) {
        value(TimeInRow)->setText(durationText(section.checkTimeIn));
        value(TimeOutRow)->setText(durationText(section.checkTimeOut));
        value(DelayRow)->setText(durationText(section.delayInto));
        value(InAheadRow)->setText(QString::number(section.checkTimeInAhead));
        value(InBehindRow)->setText(QString::number(section.checkTimeInBehind));
        value(OutAheadRow)->setText(QString::number(section.checkTimeOutAhead));
        value(OutBehindRow)->setText(QString::number(section.checkTimeOutBehind));
    } else {
        for (int row = TimeInRow; row <= DelayRow; ++row)
            value(row)->setText(QString());
    }
    for (int row = TimeInRow; row <= DelayRow; ++row)
        value(row)->setEditable(section.checkScheduleOn);
}

void RouteProperties::apply(QStandardItem *item, const QModelIndex &property,
                            const QVariant &value)
{
    if (!item)
        return;
    SectionRecord *section = itemSection(item);
    if (!section) {
        RouteRecord *route = itemRoute(item);
        if (route && property.row() == 0) {
            const ScheduleEditors &editors = ScheduleEditors::instance();
            const int type = editors.timeTypes.indexOf(value.toString());
            route->checkTimeType = type < 0 ? 0 : type;
            // A redo's index may be of a table shown before: the cell is looked
            // up afresh, and a redo shows the route again after this.
            const ItemChangeGate::Muted muted(m_propertyGate);
            if (QStandardItem *cell = m_panel.propertyModel()->item(0, 1))
                cell->setToolTip(editors.timeTypeTips.value(route->checkTimeType));
        }
        return;
    }

    if (applyToSection(*section, property.row(), value)) {
        auto *table = qobject_cast<QStandardItemModel *>(
            const_cast<QAbstractItemModel *>(property.model()));
        fillSectionValues(*section, table);
    }
    m_tree.showSectionName(item, section->name);
    m_tree.rememberSettings(*section);
}

bool RouteProperties::applyToSection(SectionRecord &section, int row, const QVariant &value)
{
    switch (row) {
    case NameRow:
        section.name = value.toString();
        return false;
    case MessageInRow:
        section.messageOnTimeIn = value.toInt() == 2;
        return false;
    case MessageOutRow:
        section.messageOnTimeOut = value.toInt() == 2;
        return false;
    case ScheduleRow:
        // A schedule that is off is stored as both times negated, so on again restores them.
        section.checkScheduleOn = value.toInt() == 2;
        section.checkTimeIn = -section.checkTimeIn;
        section.checkTimeOut = -section.checkTimeOut;
        return true;
    case TimeInRow:
        section.checkTimeIn = parseDuration(value.toString());
        section.checkTimeOut = addSeconds(section.checkTimeIn, section.delayInto);
        return true;
    case InAheadRow:
        section.checkTimeInAhead = toleranceValue(value);
        return true;
    case InBehindRow:
        section.checkTimeInBehind = toleranceValue(value);
        return true;
    case TimeOutRow:
        section.checkTimeOut = parseDuration(value.toString());
        section.delayInto = section.checkTimeOut > section.checkTimeIn
            ? addSeconds(section.checkTimeOut, -qint64(section.checkTimeIn))
            : 0;
        return true;
    case OutAheadRow:
        section.checkTimeOutAhead = toleranceValue(value);
        return true;
    case OutBehindRow:
        section.checkTimeOutBehind = toleranceValue(value);
        return true;
    case DelayRow:
        section.delayInto = parseDuration(value.toString());
        section.checkTimeOut = addSeconds(section.checkTimeIn, section.delayInto);
        return true;
    default:
        return false;
    }
}

bool RouteProperties::isTimeRow(int row)
{
    return row == TimeInRow || row == TimeOutRow || row == DelayRow;
}

QVariant RouteProperties::snapshot(const QStandardItem *item)
{
    const SectionRecord *section = itemSection(item);
    return section ? QVariant::fromValue(*section) : QVariant();
}

void RouteProperties::restore(QStandardItem *item, const QVariant &snapshot)
{
    SectionRecord *section = itemSection(item);
    if (!section || !snapshot.canConvert<SectionRecord>())
        return;
    const int liveState = section->state;
    *section = snapshot.value<SectionRecord>();
    section->state = liveState;
    m_tree.showSectionName(item, section->name);
    m_tree.rememberSettings(*section);
}
