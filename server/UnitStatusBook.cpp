#include "UnitStatusBook.h"

#include "StoreWriter.h"

#include <QTimer>

UnitStatusBook::UnitStatusBook(const Database &db, StoreWriter *writer, QObject *parent)
    : QObject(parent), m_db(db), m_writer(writer), m_flushTimer(new QTimer(this))
{
    m_flushTimer->setInterval(FlushMs);
    connect(m_flushTimer, &QTimer::timeout, this, &UnitStatusBook::flush);
}

UnitStatusBook::~UnitStatusBook()
{
    flush();
}

bool UnitStatusBook::load()
{
    bool ok = false;
    m_last = UnitStatusStore(m_db).load(&ok);
    if (m_writer)
        m_flushTimer->start();
    return ok;
}

void UnitStatusBook::stage(qint32 unitId, quint32 time, const UnitMessages::UnitStatus &status)
{
    m_staged.insert({unitId, time}, status);
}

void UnitStatusBook::take(const QList<LiveMessages::PositionReport> &accepted, bool storeHere)
{
    for (const LiveMessages::PositionReport &report : accepted) {
        UnitStatusStore::Last &last = m_last[report.unitId];
        if (report.time < last.time)
            continue; // a late report of a unit that has told more since
        last.time = report.time;
        last.position = report.position;
        last.status = m_staged.value({report.unitId, report.time});
        if (storeHere)
            m_unstored.insert(report.unitId, last);
    }
}

void UnitStatusBook::overlay(QList<UnitMessages::UnitInfo> *units) const
{
    for (UnitMessages::UnitInfo &unit : *units) {
        const auto last = m_last.constFind(unit.id);
        if (last == m_last.cend() || last->time < unit.lastTime)
            continue;
        unit.lastTime = last->time;
        unit.position = last->position;
        unit.status = last->status;
    }
}

void UnitStatusBook::flush()
{
    if (m_unstored.isEmpty() || !m_writer)
        return;
    m_writer->storeStatus(std::exchange(m_unstored, {}));
}
