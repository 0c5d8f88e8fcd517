#include "LabelColumn.h"

#include <QHeaderView>
#include <QSettings>
#include <QTableView>

namespace {

constexpr int LabelColumnIndex = 0;
// Labels take at most this share of the table's width; longer ones wrap.
constexpr int MaxSharePercent = 60;
// The cap while the table has no width of its own yet (not laid out).
constexpr int MaxUnlaidWidth = 320;
constexpr int UnlaidViewWidth = 200;

} // namespace

LabelColumn::LabelColumn(QTableView *view, const QString &settingsKey)
    : QObject(view)
    , m_view(view)
    , m_settingsKey(settingsKey)
{
    connect(view->horizontalHeader(), &QHeaderView::sectionResized, this,
            &LabelColumn::sectionResized);
}

void LabelColumn::fit()
{
    if (m_view->model()->columnCount() <= LabelColumnIndex + 1)
        return;
    if (m_width <= 0)
        m_width = QSettings().value(m_settingsKey).toInt();
    if (m_width <= 0) {
        const int viewWidth = m_view->viewport()->width();
        const int cap = viewWidth > UnlaidViewWidth ? viewWidth * MaxSharePercent / 100
                                                    : MaxUnlaidWidth;
        const auto *view = static_cast<const QAbstractItemView *>(m_view);
        m_width = qMin(view->sizeHintForColumn(LabelColumnIndex), cap);
    }
    m_fitting = true;
    m_view->horizontalHeader()->resizeSection(LabelColumnIndex, m_width);
    m_fitting = false;
}

void LabelColumn::sectionResized(int logicalIndex, int, int newSize)
{
    if (m_fitting || logicalIndex != LabelColumnIndex || newSize <= 0
        || m_view->model()->columnCount() <= LabelColumnIndex + 1)
        return;
    m_width = newSize;
    QSettings().setValue(m_settingsKey, newSize);
}
