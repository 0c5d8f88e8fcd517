#include "UnitTrackBook.h"

#include "StoreWriter.h"

#include <QTimer>

#include <algorithm>

using LiveMessages::PositionReport;

UnitTrackBook::UnitTrackBook(const Database &db, StoreWriter *writer, QObject *parent)
    : QObject(parent), m_db(db), m_writer(writer), m_flushTimer(new QTimer(this))
{
    m_flushTimer->setInterval(FlushMs);
    connect(m_flushTimer, &QTimer::timeout, this, &UnitTrackBook::flush);
}

UnitTrackBook::~UnitTrackBook()
{
    flush();
}

bool UnitTrackBook::load()
{
    bool ok = false;
    m_tracks = UnitTrackStore(m_db).load(&ok);
    m_unstored.clear();
    if (m_writer)
        m_flushTimer->start();
    return ok;
}

QList<PositionReport> UnitTrackBook::reports(const QSet<qint32> &units) const
{
    QList<PositionReport> all;
    for (auto track = m_tracks.cbegin(); track != m_tracks.cend(); ++track) {
        if (units.isEmpty() || units.contains(track.key()))
            all.append(track.value().toList());
    }
    return all;
}

void UnitTrackBook::take(const QList<PositionReport> &accepted)
{
    const auto byTime = [](const PositionReport &a, const PositionReport &b) {
        return a.time < b.time;
    };
    for (const PositionReport &report : accepted) {
        UnitTrackStore::Track &track = m_tracks[report.unitId];
        if (track.size() == KeptReports && report.time < track.constFirst().time)
            continue; // older than all kept: checking dropped it too
        track.insert(std::upper_bound(track.begin(), track.end(), report, byTime), report);
        if (track.size() > KeptReports)
            track.removeFirst();
        m_unstored.insert(report.unitId);
    }
}

void UnitTrackBook::flush()
{
    if (m_unstored.isEmpty() || !m_writer)
        return;
    QHash<qint32, UnitTrackStore::Track> changed;
    QHash<qint32, QByteArray> folded;
    const QSet<qint32> storedHere = m_unitsStoredHere ? m_unitsStoredHere() : QSet<qint32>();
    for (qint32 unitId : qAsConst(m_unstored)) {
        if (!m_tracks.contains(unitId) || (m_unitsStoredHere && !storedHere.contains(unitId)))
            continue;
        changed.insert(unitId, m_tracks.value(unitId));
        const QByteArray state = m_foldedOf ? m_foldedOf(unitId) : QByteArray();
        if (!state.isEmpty())
            folded.insert(unitId, state);
    }
    m_unstored.clear();
    if (!changed.isEmpty())
        m_writer->storeTracks(changed, folded);
}
