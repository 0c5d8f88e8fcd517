// Property rows of routes and sections, and how an edit changes the records.
#include "shell/OperativeCheck.h"

#include "delegates/CmbBoxDelegateOnStrList.h"
#include "delegates/LineEditDelegate.h"
#include "panel/PanProperties.h"
#include "records/ItemRoles.h"
#include "records/RouteRecord.h"
#include "calendar/Duration.h"
#include "routecheck/ScheduleEditors.h"

#include <PluginHost.h>

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

QStandardItem *labelCell(const QString &text)
{
    auto *cell = new QStandardItem(text);
    cell->setEditable(false);
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

void OperativeCheck::showProperties(QStandardItem *item)
{
    SectionRecord *section = itemSection(item);
    RouteRecord *route = section ? nullptr : itemRoute(item);
    setEditingActions(route != nullptr, section != nullptr);

    QTableView *view = panProperties->propertyView;
    QStandardItemModel *properties = panProperties->propertyModel;
    for (int row = 0; row < properties->rowCount(); ++row)
        view->setItemDelegateForRow(row, nullptr);

    if (route)
        showRouteRows(*route);
    else if (section)
        showSectionRows(*section);
    else
        properties->clear();
}

void OperativeCheck::startPropertyTable()
{
    QStandardItemModel *properties = panProperties->propertyModel;
    properties->clear();
    properties->setColumnCount(2);
    properties->setRowCount(0);
    properties->setHeaderData(0, Qt::Horizontal, tr("Param"), Qt::EditRole);
    properties->setHeaderData(1, Qt::Horizontal, tr("Value"), Qt::EditRole);
}

void OperativeCheck::showRouteRows(const RouteRecord &route)
{
    connectPropertyModel(false);
    startPropertyTable();
    QStandardItemModel *properties = panProperties->propertyModel;
    panProperties->propertyView->setItemDelegateForRow(0,
                                                       ScheduleEditors::instance().timeTypeEditor);

    auto *objectsCell = new QStandardItem;
    objectsCell->setEditable(false);
    properties->appendRow({labelCell(tr("Check time type")), new QStandardItem});
    properties->appendRow({labelCell(tr("Objects")), objectsCell});

    properties->item(0, 1)->setText(
        ScheduleEditors::instance().timeTypes.value(route.checkTimeType));
    objectsCell->setText(objectsText(route.objects));
    connectPropertyModel(true);
}

QString OperativeCheck::objectsText(const QList<int> &objects) const
{
    QStandardItemModel *objectsModel = host ? host->GetObjectsModel() : nullptr;
    if (!objectsModel)
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
    const QStandardItem *root = objectsModel->invisibleRootItem();
    for (int row = 0; row < root->rowCount(); ++row) {
        if (const QStandardItem *item = root->child(row))
            visit(item);
    }
    text.chop(2);
    return text;
}

void OperativeCheck::showSectionRows(const SectionRecord &section)
{
    connectPropertyModel(false);
    startPropertyTable();
    QStandardItemModel *properties = panProperties->propertyModel;
    for (int row = 0; row < SectionRowCount; ++row) {
        auto *value = new QStandardItem;
        if (row >= MessageInRow && row <= ScheduleRow) {
            value->setCheckable(true);
            value->setEditable(false);
        }
        properties->appendRow({labelCell(tr(SectionLabels[row])), value});
    }
    LineEditDelegate *durationEditor = ScheduleEditors::instance().durationEditor;
    panProperties->propertyView->setItemDelegateForRow(TimeInRow, durationEditor);
    panProperties->propertyView->setItemDelegateForRow(TimeOutRow, durationEditor);
    connectPropertyModel(true);
    fillSectionValues(section, properties);
}

void OperativeCheck::fillSectionValues(const SectionRecord &section, QStandardItemModel *properties)
{
    if (!properties || properties->rowCount() < SectionRowCount)
        return;
    connectPropertyModel(false);
    auto value = [properties](int row) { return properties->item(row, 1); };
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
    connectPropertyModel(true);
}

void OperativeCheck::applyProperty(const QModelIndex &mainIndex, const QModelIndex &propertyIndex,
                                   const QVariant &value)
{
    QStandardItem *item = mainIndex.isValid() ? model->itemFromIndex(mainIndex) : nullptr;
    if (!item)
        return;
    SectionRecord *section = itemSection(item);
    if (!section) {
        if (RouteRecord *route = itemRoute(item)) {
            if (propertyIndex.row() == 0) {
                const int type = ScheduleEditors::instance().timeTypes.indexOf(value.toString());
                route->checkTimeType = type < 0 ? 0 : type;
            }
        }
        return;
    }

    bool refill = true;
    switch (propertyIndex.row()) {
    case NameRow:
        section->name = value.toString();
        refill = false;
        break;
    case MessageInRow:
        section->messageOnTimeIn = value.toInt() == 2;
        refill = false;
        break;
    case MessageOutRow:
        section->messageOnTimeOut = value.toInt() == 2;
        refill = false;
        break;
    case ScheduleRow:
        // A schedule that is off is stored as both times negated, so on again restores them.
        section->checkScheduleOn = value.toInt() == 2;
        section->checkTimeIn = -section->checkTimeIn;
        section->checkTimeOut = -section->checkTimeOut;
        break;
    case TimeInRow:
        section->checkTimeIn = parseDuration(value.toString());
        section->checkTimeOut = addSeconds(section->checkTimeIn, section->delayInto);
        break;
    case InAheadRow:
        section->checkTimeInAhead = toleranceValue(value);
        break;
    case InBehindRow:
        section->checkTimeInBehind = toleranceValue(value);
        break;
    case TimeOutRow:
        section->checkTimeOut = parseDuration(value.toString());
        section->delayInto = section->checkTimeOut > section->checkTimeIn
            ? addSeconds(section->checkTimeOut, -qint64(section->checkTimeIn))
            : 0;
        break;
    case OutAheadRow:
        section->checkTimeOutAhead = toleranceValue(value);
        break;
    case OutBehindRow:
        section->checkTimeOutBehind = toleranceValue(value);
        break;
    case DelayRow:
        section->delayInto = parseDuration(value.toString());
        section->checkTimeOut = addSeconds(section->checkTimeIn, section->delayInto);
        break;
    default:
        refill = false;
        break;
    }
    if (refill) {
        auto *properties = qobject_cast<QStandardItemModel *>(
            const_cast<QAbstractItemModel *>(propertyIndex.model()));
        fillSectionValues(*section, properties);
    }
    connectMainModel(false);
    item->setText(section->name);
    connectMainModel(true);
    sectionTemplate.takeSettingsFrom(*section);
}

QVariant OperativeCheck::rowSnapshot(const QModelIndex &mainIndex)
{
    const QStandardItem *item = mainIndex.isValid() ? model->itemFromIndex(mainIndex) : nullptr;
    const SectionRecord *section = itemSection(item);
    return section ? QVariant::fromValue(*section) : QVariant();
}

void OperativeCheck::restoreRowSnapshot(const QModelIndex &mainIndex, const QVariant &snapshot)
{
    QStandardItem *item = mainIndex.isValid() ? model->itemFromIndex(mainIndex) : nullptr;
    SectionRecord *section = itemSection(item);
    if (!section || !snapshot.canConvert<SectionRecord>())
        return;
    const int liveState = section->state;
    *section = snapshot.value<SectionRecord>();
    section->state = liveState;
    connectMainModel(false);
    item->setText(section->name);
    connectMainModel(true);
    sectionTemplate.takeSettingsFrom(*section);
}

void OperativeCheck::setEditingActions(bool isRoute, bool isSection)
{
    const bool isOther = !isRoute && !isSection;
    addRouteAction->setEnabled(isOther);
    addRouteAction->setVisible(isOther);
    delRouteAction->setEnabled(!isOther);
    delRouteAction->setVisible(!isSection);
    addSectAction->setEnabled(!isOther);
    addSectAction->setVisible(!isOther);
    delSectAction->setEnabled(!isOther);
    delSectAction->setVisible(isSection);
    selObjsAction->setEnabled(!isOther);
    selGObjAction->setEnabled(!isOther);
    if (!isOther) {
        selObjsAction->setVisible(isRoute);
        selGObjAction->setVisible(isSection);
    }
}
