#ifndef IMPORTDIALOG_H
#define IMPORTDIALOG_H

#include "LayerCatalog.h"

#include <QDialog>

class QComboBox;
class QDialogButtonBox;
class QDoubleSpinBox;
class QLineEdit;

// What an import needs to know: the file, the layer it goes into (an
// editable one, or a new one named here) and how finely GPX tracks are kept.
class ImportDialog : public QDialog
{
    Q_OBJECT

public:
    ImportDialog(const LayerCatalog &catalog, const QString &path, QWidget *parent = nullptr);

    QString path() const;
    // 0: a new layer, named by newLayer().
    qint32 layerId() const;
    QString newLayer() const;
    double simplifyMetres() const;

private:
    void browse();
    void updateState();

    QLineEdit *m_path;
    QComboBox *m_layer;
    QLineEdit *m_newLayer;
    QDoubleSpinBox *m_simplify;
    QDialogButtonBox *m_buttons;
};

#endif // IMPORTDIALOG_H
