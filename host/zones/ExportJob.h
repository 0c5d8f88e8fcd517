#ifndef EXPORTJOB_H
#define EXPORTJOB_H

#include <QObject>
#include <QStringList>

class ShapeLink;

// One export from the host: the trees it needs read from the server, then
// the file written — a layer's shapes with those of the layers below it, or
// a route's shapes with its sections' schedules (as GeoJSON, the route file
// opercheck-audit reads).
class ExportJob : public QObject
{
    Q_OBJECT

public:
    enum class Source { Layer, Route };

    // The link outlives the job.
    explicit ExportJob(ShapeLink *link, QObject *parent = nullptr);

    // id: the layer's, or the route's (its node's).
    void start(Source source, qint32 id, const QString &path);
    bool isRunning() const { return m_running; }

signals:
    void finished(int count, const QStringList &written);
    void failed(const QString &error);

private:
    void write(const QByteArray &layers, const QByteArray &rules, const QByteArray &units);
    void fail(const QString &error);

    ShapeLink *m_link; // not owned
    Source m_source = Source::Layer;
    qint32 m_id = 0;
    QString m_path;
    bool m_running = false;
};

#endif // EXPORTJOB_H
