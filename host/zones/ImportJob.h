#ifndef IMPORTJOB_H
#define IMPORTJOB_H

#include "AuditRoute.h"
#include "ShapeImport.h"

#include <QObject>
#include <QStringList>

#include <atomic>
#include <memory>
#include <optional>

class QThread;
class ShapeLink;

// One GIS file into a layer, without holding up the window: the file is read
// on a thread of its own, then its shapes are stored through the server a
// few at a time. A route file (GeoJSON with the member "route") becomes a
// route as well: a new top-level rule node of its name carries it, its units
// found by name. All or nothing: when something is refused, the link fails or
// the operator cancels, what this import stored is deleted again (the node,
// and the layer when it made one).
class ImportJob : public QObject
{
    Q_OBJECT

public:
    // How many shapes wait for the server's answer at once.
    static constexpr int InFlight = 16;

    // The link outlives the job.
    explicit ImportJob(ShapeLink *link, QObject *parent = nullptr);
    ~ImportJob() override;

    // Into the layer layerId, or, when it is 0, a new top-level layer newLayer.
    void start(const QString &path, qint32 layerId, const QString &newLayer,
               const ShapeImport::Options &options);
    void cancel();
    bool isRunning() const { return m_running; }

signals:
    // Reading the file, then storing its shapes: done of total (0: not known).
    void progressed(const QString &phase, qint64 done, qint64 total);
    void finished(int imported, const QStringList &warnings);
    void failed(const QString &error);

private:
    // On the reading thread.
    void readRouteFile(const QString &path);
    void onRead();
    void storeMore();
    void onStored(qint32 id, const QString &error);
    // The shapes are in: the route's node, then the route.
    void storeRoute();
    void storeRouteUnder(qint32 node, const QByteArray &unitTree);
    // Deletes what was stored, then tells why the import failed.
    void rollBack(const QString &error);

    ShapeLink *m_link; // not owned
    std::unique_ptr<QThread> m_reader;
    std::atomic_bool m_cancelled{false};
    bool m_running = false;
    ShapeImport::Result m_result;
    QString m_readError;
    bool m_readOk = false;
    QString m_newLayer;
    qint32 m_layerId = 0;
    bool m_madeLayer = false;
    int m_sent = 0;
    int m_answered = 0;
    QList<qint32> m_stored;
    QString m_storeError; // the first refusal
    std::optional<AuditRoute> m_route; // a route file's
    qint32 m_ruleNode = 0;             // made for the route

};

#endif // IMPORTJOB_H
