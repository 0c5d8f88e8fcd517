#ifndef LABELCOLUMN_H
#define LABELCOLUMN_H

#include <QObject>
#include <QString>

class QTableView;

// The width of a property table's label column: fitted to the labels the
// first time the table is filled (up to a share of the table; longer labels
// wrap), then held still from row to row. The width the operator drags it to
// is kept from then on, in this run and the next.
class LabelColumn : public QObject
{
    Q_OBJECT

public:
    // settingsKey: where the operator's width is remembered.
    LabelColumn(QTableView *view, const QString &settingsKey);

    // Sets the column's width after the table was filled again.
    void fit();
    int width() const { return m_width; }

private:
    void sectionResized(int logicalIndex, int oldSize, int newSize);

    QTableView *m_view;
    QString m_settingsKey;
    int m_width = 0;
    bool m_fitting = false; // our own resizing is no operator's
};

#endif // LABELCOLUMN_H
