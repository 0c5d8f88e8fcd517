#include "ObjectsModel.h"

#include <QApplication>
#include <QDataStream>
#include <QDateTime>
#include <QStyle>

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
    setHorizontalHeaderLabels({tr("Units"), tr("Last report")});
}

void ObjectsModel::setLastReport(qint32 id, quint32 time)
{
    m_lastReports.insert(id, time);
    // A unit may sit in several groups.
    std::function<void(QStandardItem *)> visit = [&](QStandardItem *parent) {
        for (int row = 0; row < parent->rowCount(); ++row) {
            QStandardItem *item = parent->child(row);
            const auto address = item->data(RecordRole).toLongLong();
            if (address && reinterpret_cast<const TrackedObject *>(address)->id == id)
                showLastReport(parent->child(row, LastReportColumn), id);
            visit(item);
        }
    };
    visit(invisibleRootItem());
}

void ObjectsModel::showLastReport(QStandardItem *cell, qint32 id) const
{
    const auto found = m_lastReports.constFind(id);
    if (!cell || found == m_lastReports.constEnd())
        return;
    const QDateTime time = QDateTime::fromSecsSinceEpoch(*found);
    cell->setText(time.toString(QStringLiteral("hh:mm:ss")));
    cell->setToolTip(
        tr("Last report %1").arg(time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))));
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
        auto *lastReport = new QStandardItem;
        lastReport->setEditable(false);
        lastReport->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (kind == qint32(Kind::Unit)) {
            item->setIcon(unitIcon);
            item->setData(qlonglong(reinterpret_cast<quintptr>(recordFor(id, name))), RecordRole);
            showLastReport(lastReport, id);
        } else {
            item->setIcon(groupIcon);
        }
        parent->appendRow({item, lastReport});
        if (!readLevel(in, item, depth + 1))
            return false;
    }
    return true;
}
