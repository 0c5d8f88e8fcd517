#ifndef ZONESDESK_H
#define ZONESDESK_H

#include <QObject>
#include <QPointer>

class DrawDock;
class ExportJob;
class ImportJob;
class MapCanvas;
class QAction;
class QMainWindow;
class QProgressDialog;
class ServerConnection;
class ShapeLink;

// Everything the host does with graphic objects of its own: the drawing
// dock and importing GIS files, over one link to the server. The window
// places the dock and the actions; the desk tells when the layers changed.
class ZonesDesk : public QObject
{
    Q_OBJECT

public:
    // Both outlive the desk; the dock and dialogs are the window's children.
    ZonesDesk(ServerConnection *connection, QMainWindow *window);
    ~ZonesDesk() override;

    DrawDock *dock() const { return m_dock; }
    QAction *importAction() const { return m_importAction; }
    QAction *exportAction() const { return m_exportAction; }
    ExportJob *exportJob() const { return m_exportJob; }
    ShapeLink *link() const { return m_link; }
    ImportJob *importJob() const { return m_job; }

    void setCanvas(MapCanvas *canvas);
    // The server said the layers changed: read them again.
    void layersChangedElsewhere();

    // Asks for the file and the layer, then imports without holding up the window.
    void importFile(const QString &path = QString());
    // Asks what to export and where, then writes the file.
    void exportShapes();

signals:
    // This host stored shapes or layers: whatever shows the layers reads them again.
    void layersChanged();
    // This host stored rule nodes or routes (an imported route).
    void rulesChanged();
    void message(const QString &text);

private:
    void askAndImport(const QString &path);
    void askAndExport(const QByteArray &ruleTree);
    void onImported(int count, const QStringList &warnings);
    void onImportFailed(const QString &error);
    void warn(const QString &title, const QString &text, const QString &detail);

    QMainWindow *m_window; // not owned
    ShapeLink *m_link;
    DrawDock *m_dock;
    ImportJob *m_job;
    ExportJob *m_exportJob;
    QAction *m_importAction;
    QAction *m_exportAction;
    QPointer<QProgressDialog> m_progress;
    QString m_importLayer;
};

#endif // ZONESDESK_H
