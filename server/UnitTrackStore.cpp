#include "UnitTrackStore.h"

#include "Database.h"
#include "ServerLog.h"
#include "SqlDialect.h"
#include "SqlTransaction.h"
#include "TrackedObjectStore.h"

#include <QDataStream>
#include <QSqlQuery>
#include <QVariant>

namespace {

// More than a track is ever kept: a row claiming more is damaged.
constexpr quint32 MaxStoredReports = 4096;

} // namespace

UnitTrackStore::UnitTrackStore(const Database &db)
    : m_db(db)
{
}

QByteArray UnitTrackStore::encode(const Track &track)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << quint32(track.size());
    for (const LiveMessages::PositionReport &report : track)
        out << report.time << qint32(report.position.x()) << qint32(report.position.y());
    return bytes;
}

std::optional<UnitTrackStore::Track> UnitTrackStore::decode(qint32 unitId,
                                                            const QByteArray &bytes)
{
    QDataStream in(bytes);
    quint32 count = 0;
    in >> count;
    if (in.status() != QDataStream::Ok || count > MaxStoredReports
        || qint64(bytes.size()) != 4 + qint64(count) * 12)
        return std::nullopt;
    Track track;
    track.reserve(int(count));
    for (quint32 i = 0; i < count; ++i) {
        LiveMessages::PositionReport report;
        qint32 x = 0, y = 0;
        in >> report.time >> x >> y;
        report.unitId = unitId;
        report.position = QPoint(x, y);
        if (!track.isEmpty() && report.time < track.constLast().time)
            return std::nullopt;
        track.append(report);
    }
    return track;
}

QHash<qint32, UnitTrackStore::Track> UnitTrackStore::load(bool *ok) const
{
    QSqlQuery query(m_db.connection());
    SqlDialect::readOnce(query);
    *ok = query.exec(QStringLiteral("SELECT unit_id, reports FROM unit_tracks"));
    if (!*ok) {
        Database::warnFailure("reading the units' kept reports", query);
        return {};
    }
    QHash<qint32, Track> tracks;
    while (query.next()) {
        const qint32 unitId = query.value(0).toInt();
        const std::optional<Track> track = decode(unitId, query.value(1).toByteArray());
        if (!track) {
            qCWarning(lcServer) << "the kept reports of unit" << unitId
                                << "do not read; the unit starts afresh";
            continue;
        }
        tracks.insert(unitId, *track);
    }
    return tracks;
}

QHash<qint32, QByteArray> UnitTrackStore::loadFolded(const QSet<qint32> &units) const
{
    QSqlQuery query(m_db.connection());
    SqlDialect::readOnce(query);
    if (!query.exec(QStringLiteral("SELECT unit_id, folded FROM unit_tracks"
                                   " WHERE folded IS NOT NULL"))) {
        Database::warnFailure("reading what checking folded away", query);
        return {};
    }
    QHash<qint32, QByteArray> folded;
    while (query.next()) {
        const qint32 unitId = query.value(0).toInt();
        if (units.isEmpty() || units.contains(unitId))
            folded.insert(unitId, query.value(1).toByteArray());
    }
    return folded;
}

bool UnitTrackStore::store(const QHash<qint32, Track> &tracks,
                           const QHash<qint32, QByteArray> &folded) const
{
    if (tracks.isEmpty())
        return true;
    SqlTransaction transaction(m_db.connection());
    if (!transaction.isActive())
        return false;
    QSqlQuery upsert(m_db.connection());
    upsert.prepare(QStringLiteral(
        "INSERT INTO unit_tracks (unit_id, reports, folded) SELECT id, ?, ? FROM tracked_objects"
        " WHERE id = ? AND kind = ? ON CONFLICT (unit_id) DO UPDATE"
        " SET reports = excluded.reports, folded = excluded.folded"));
    for (auto track = tracks.cbegin(); track != tracks.cend(); ++track) {
        const QByteArray state = folded.value(track.key());
        upsert.addBindValue(encode(track.value()));
        upsert.addBindValue(state.isEmpty() ? QVariant(QVariant::ByteArray) : QVariant(state));
        upsert.addBindValue(track.key());
        upsert.addBindValue(int(TrackedObjectStore::Kind::Unit));
        if (!upsert.exec()) {
            Database::warnFailure("storing the units' kept reports", upsert);
            return false;
        }
    }
    upsert.finish();
    return transaction.commit();
}
