#include "Audit.h"

#include "AuditTime.h"
#include "CheckEngine.h"
#include "RoundClock.h"

#include "geo/PositionScreen.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QMap>

#include <algorithm>
#include <cmath>

namespace {

constexpr int RouteId = 1;

QString json(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

QString stateName(int state)
{
    switch (state) {
    case CheckEngine::Passed:
        return QStringLiteral("passed");
    case CheckEngine::Violated:
        return QStringLiteral("violated");
    default:
        return QStringLiteral("pending");
    }
}

// Every section's outcome in every round, as last judged.
class Collector
{
public:
    Collector(const CheckEngine &engine, int sections) : m_engine(engine), m_sections(sections)
    {
    }

    void take()
    {
        const QVector<CheckEngine::Outcome> outcomes = m_engine.roundOutcomes(RouteId);
        const int rounds = m_sections > 0 ? outcomes.size() / m_sections : 0;
        for (int k = 0; k < outcomes.size() && rounds > 0; ++k)
            m_outcomes[qMakePair(outcomes.at(k).reference, k / rounds)] = outcomes.at(k);
    }
    // By round reference, then section index.
    const QMap<QPair<qint64, int>, CheckEngine::Outcome> &outcomes() const { return m_outcomes; }

private:
    const CheckEngine &m_engine;
    int m_sections;
    QMap<QPair<qint64, int>, CheckEngine::Outcome> m_outcomes;
};

struct Fix
{
    qint64 time;
    int line;
    int unitId;
    QPoint position;
};

} // namespace

QStringList Audit::run(const AuditRoute &route, const QList<TrackRow> &rows,
                       const Settings &settings, qint64 now)
{
    const RouteRecord &record = *route.record;
    const qint64 checkOn = settings.start.value_or(qint64(record.checkTime));
    QList<Fix> fixes;
    for (const TrackRow &row : rows) {
        const int unit = route.unitId(row.unit);
        const bool inSpan = row.time >= checkOn && (!settings.end || row.time <= *settings.end);
        if (unit == 0 || !inSpan
            || PositionScreen::check(row.latitude, row.longitude, row.time, now)
                   != PositionScreen::Fault::None)
            continue;
        fixes.append({row.time, row.line, unit,
                      QPoint(int(std::lround(row.longitude * 1e7)),
                             int(std::lround(row.latitude * 1e7)))});
    }
    std::sort(fixes.begin(), fixes.end(), [](const Fix &a, const Fix &b) {
        return a.time != b.time ? a.time < b.time : a.line < b.line;
    });
    const QString summary =
        QStringLiteral("{\"type\":\"summary\",\"reports\":%1,\"dropped\":%2}")
            .arg(rows.size())
            .arg(rows.size() - fixes.size());
    if (fixes.isEmpty())
        return {summary};

    CheckEngine engine(settings.calendar);
    engine.setConfirmReports(settings.confirmReports);
    engine.setConfirmMetres(settings.confirmMetres);
    engine.setRoute(RouteId, record, checkOn, route.zones);
    const RoundClock clock(&settings.calendar, record.checkTimeType, checkOn);
    const qint64 last = settings.end.value_or(fixes.constLast().time);
    Collector collector(engine, record.sections.size());

    // Time is moved on round by round, so that each round is judged to the
    // end before it leaves the engine's reach.
    RoundClock::Round round = clock.first();
    const auto advanceTo = [&](qint64 time) {
        while (clock.isPeriodic() && round.end <= time) {
            round = clock.next(round);
            engine.advanceTo(round.start);
            collector.take();
        }
        engine.advanceTo(time);
        collector.take();
    };
    for (const Fix &fix : qAsConst(fixes)) {
        advanceTo(fix.time);
        engine.report(fix.unitId, fix.time, fix.position);
        collector.take();
    }
    advanceTo(last);

    // Rounds from the first report's to the last's, and any that took a crossing.
    QMap<qint64, bool> touched;
    for (RoundClock::Round r = clock.at(fixes.constFirst().time);; r = clock.next(r)) {
        touched.insert(r.start, true);
        if (!clock.isPeriodic() || r.end > last)
            break;
    }
    struct Event
    {
        qint64 time;
        int section;
        bool in;
        QString line;
    };
    QList<Event> events;
    const auto &outcomes = collector.outcomes();
    for (auto it = outcomes.cbegin(); it != outcomes.cend(); ++it) {
        const CheckEngine::Outcome &o = it.value();
        const int section = it.key().second + 1;
        const auto event = [&](bool in, qint64 time, qint64 deviation) {
            events.append({time, section, in,
                           QStringLiteral("{\"type\":\"event\",\"unit\":%1,\"section\":%2,"
                                          "\"kind\":\"%3\",\"time\":\"%4\",\"deviation\":%5}")
                               .arg(json(route.unitNames.value(o.unitId - 1)))
                               .arg(section)
                               .arg(in ? QStringLiteral("in") : QStringLiteral("out"),
                                    AuditTime::text(time))
                               .arg(deviation)});
        };
        if (o.entered) {
            touched.insert(o.reference, true);
            event(true, o.entryTime, o.entryDeviation);
        }
        if (o.left)
            event(false, o.exitTime, o.exitDeviation);
    }
    std::stable_sort(events.begin(), events.end(), [](const Event &a, const Event &b) {
        return a.time != b.time ? a.time < b.time : a.section < b.section;
    });
    QStringList lines;
    for (const Event &e : qAsConst(events))
        lines << e.line;
    for (auto it = touched.cbegin(); it != touched.cend(); ++it) {
        for (int s = 0; s < record.sections.size(); ++s) {
            const CheckEngine::Outcome o = outcomes.value(qMakePair(it.key(), s));
            lines << QStringLiteral("{\"type\":\"section\",\"section\":%1,\"round\":\"%2\","
                                    "\"state\":\"%3\"}")
                         .arg(s + 1)
                         .arg(AuditTime::text(it.key()), stateName(o.state));
        }
    }
    lines << summary;
    return lines;
}
