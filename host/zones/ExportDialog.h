#ifndef EXPORTDIALOG_H
#define EXPORTDIALOG_H

#include "ExportJob.h"

#include <QDialog>
#include <QList>
#include <QPair>

class QComboBox;
class QDialogButtonBox;
class QLineEdit;
class QRadioButton;

// What to export and where: a layer (with the layers below it) or a route,
// and the file, whose extension names the format.
class ExportDialog : public QDialog
{
    Q_OBJECT

public:
    using Choices = QList<QPair<QString, qint32>>; // shown name, id

    ExportDialog(const Choices &layers, const Choices &routes, QWidget *parent = nullptr);

    ExportJob::Source source() const;
    qint32 id() const;
    QString path() const;

private:
    void browse();
    void updateState();

    QRadioButton *m_layerChoice;
    QRadioButton *m_routeChoice;
    QComboBox *m_layer;
    QComboBox *m_route;
    QLineEdit *m_path;
    QDialogButtonBox *m_buttons;
};

#endif // EXPORTDIALOG_H
