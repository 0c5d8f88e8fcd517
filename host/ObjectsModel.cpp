#include "ObjectsModel.h"

#include <QApplication>
#include <QDataStream>
#include <QDateTime>
#include <QStyle>

#include <cmath>
#include <functional>
#include <unordered_set>

ObjectsModel::ObjectsModel(QObject *parent)
    : QStandardItemModel(parent)
{
    setHeaders();
}

// The items go first: none may point at a freed record, even for a moment.
ObjectsModel::~ObjectsModel()
{
    clear();
}

const TrackedObject *ObjectsModel::record(qint32 id) const
{
    const auto found = m_records.find(id);
    return found == m_records.end() ? nullptr : found->second.get();
}

TrackedObject *ObjectsModel::recordFor(qint32 id, const QString &name)
{
    std::unique_ptr<TrackedObject> &slot = m_records[id];
    if (!slot)
        slot = std::make_unique<TrackedObject>(TrackedObject{id, name});
    slot->name = name;
    return slot.get();
}

bool ObjectsModel::load(const QByteArray &body)
{
    QDataStream in(body);
    in.setVersion(QDataStream::Qt_4_5);
    auto *root = new QStandardItem;
    const bool complete = readLevel(in, root, 0);

    removeRows(0, rowCount());
    while (root->rowCount() > 0)
        appendRow(root->takeRow(0));
    delete root;
    setHeaders();

    // Records of units that left the tree go, now that no item refers to them.
    std::unordered_set<qint32> present;
    std::function<void(const QStandardItem *)> collect = [&](const QStandardItem *item) {
        for (int row = 0; row < item->rowCount(); ++row) {
            const QStandardItem *child = item->child(row);
            if (const auto address = child->data(RecordRole).toLongLong())
                present.insert(reinterpret_cast<const TrackedObject *>(address)->id);
            collect(child);
        }
    };
    collect(invisibleRootItem());
    for (auto it = m_records.begin(); it != m_records.end();) {
        if (present.count(it->first))
            ++it;
        else
            it = m_records.erase(it);
    }
    return complete;
}

void ObjectsModel::setHeaders()
{
    setHorizontalHeaderLabels(
        {tr("Units"), tr("Device"), tr("Last report"), tr("Age"), tr("Status")});
}

void ObjectsModel::setLastReport(qint32 id, quint32 time)
{
    m_lastReports.insert(id, time);
    showUnits(id);
}

bool ObjectsModel::loadUnits(const QByteArray &body)
{
    const std::optional<QList<UnitMessages::UnitInfo>> units = UnitMessages::readUnits(body);
    if (!units)
        return false;
    m_units.clear();
    for (const UnitMessages::UnitInfo &unit : *units) {
        m_units.insert(unit.id, unit);
        if (unit.lastTime > m_lastReports.value(unit.id))
            m_lastReports.insert(unit.id, unit.lastTime);
    }
    showUnits(0);
    return true;
}

const UnitMessages::UnitInfo *ObjectsModel::unitInfo(qint32 id) const
{
    const auto found = m_units.constFind(id);
    return found == m_units.constEnd() ? nullptr : &*found;
}

void ObjectsModel::refreshAges()
{
    showUnits(0);
}

void ObjectsModel::showUnits(qint32 id)
{
    // A unit may sit in several groups.
    std::function<void(QStandardItem *)> visit = [&](QStandardItem *parent) {
        for (int row = 0; row < parent->rowCount(); ++row) {
            QStandardItem *item = parent->child(row);
            const auto address = item->data(RecordRole).toLongLong();
            const qint32 unit = address ? reinterpret_cast<const TrackedObject *>(address)->id
                                        : 0;
            if (unit && (id == 0 || unit == id))
                showUnit(parent, row, unit);
            visit(item);
        }
    };
    visit(invisibleRootItem());
}

void ObjectsModel::showUnit(QStandardItem *parent, int row, qint32 id) const
{
    const auto setText = [parent, row](int column, const QString &text) {
        QStandardItem *cell = parent->child(row, column);
        if (cell && cell->text() != text)
            cell->setText(text);
    };
    const UnitMessages::UnitInfo *info = unitInfo(id);
    setText(DeviceColumn, info ? info->deviceId : QString());
    setText(StatusColumn, info ? statusText(info->status) : QString());
    const auto found = m_lastReports.constFind(id);
    if (found == m_lastReports.constEnd())
        return;
    setText(LastReportColumn, QDateTime::fromSecsSinceEpoch(*found)
                                  .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
    setText(AgeColumn, ageText(QDateTime::currentSecsSinceEpoch() - *found));
}

QString ObjectsModel::ageText(qint64 seconds)
{
    seconds = std::max<qint64>(seconds, 0); // a device clock a little ahead
    if (seconds < 60)
        return tr("%1 s").arg(seconds);
    if (seconds < 3600)
        return tr("%1 min").arg(seconds / 60);
    if (seconds < 86400)
        return tr("%1 h").arg(seconds / 3600);
    return tr("%1 d").arg(seconds / 86400);
}

QString ObjectsModel::statusText(const UnitMessages::UnitStatus &status)
{
    QStringList parts;
    if (std::isfinite(status.speed))
        parts << tr("%1 km/h").arg(qRound(status.speed * 3.6));
    if (std::isfinite(status.battery))
        parts << tr("%1 %").arg(qRound(status.battery));
    return parts.join(QStringLiteral(" · "));
}

bool ObjectsModel::readLevel(QDataStream &in, QStandardItem *parent, int depth)
{
    qint32 count = 0;
    in >> count;
    if (in.status() != QDataStream::Ok || count < 0)
        return false;
    // Leaves still carry an empty children count, so only a non-empty level counts.
    if (count > 0 && depth >= MaxDepth)
        return false;
    // Icons need a widget application; a console one gets plain items.
    const bool widgets = qobject_cast<QApplication *>(QCoreApplication::instance());
    const QIcon unitIcon = widgets ? QApplication::style()->standardIcon(QStyle::SP_ComputerIcon)
                                   : QIcon();
    const QIcon groupIcon = widgets ? QApplication::style()->standardIcon(QStyle::SP_DirIcon)
                                    : QIcon();
    // The count is only trusted one node at a time, as the body bears it out.
    for (qint32 i = 0; i < count; ++i) {
        qint32 id = 0;
        QString name;
        qint32 kind = 0;
        in >> id >> name >> kind;
        if (in.status() != QDataStream::Ok)
            return false;
        auto *item = new QStandardItem(name);
        item->setEditable(false);
        item->setData(id, NodeIdRole);
        item->setData(kind, KindRole);
        QList<QStandardItem *> cells{item};
        for (int column = DeviceColumn; column < ColumnCount; ++column) {
            cells << new QStandardItem;
            cells.last()->setEditable(false);
        }
        cells.at(AgeColumn)->setTextAlignment(Qt::AlignCenter);
        parent->appendRow(cells);
        if (kind == qint32(Kind::Unit)) {
            item->setIcon(unitIcon);
            item->setData(qlonglong(reinterpret_cast<quintptr>(recordFor(id, name))), RecordRole);
            showUnit(parent, parent->rowCount() - 1, id);
        } else {
            item->setIcon(groupIcon);
        }
        if (!readLevel(in, item, depth + 1))
            return false;
    }
    return true;
}
