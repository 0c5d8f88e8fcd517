#include "PickerDialog.h"

#include "TreeRowFilter.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QScreen>
#include <QSettings>
#include <QStyle>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// The first size takes at most this share of the screen's free area, each way.
constexpr int ScreenShareNumerator = 2;
constexpr int ScreenShareDenominator = 3;
// Room for at least this many rows, however few there are.
constexpr int MinRowsRoom = 8;
// Where there is no screen to ask (no display at all).
constexpr QSize FallbackScreenSize(1024, 768);

} // namespace

PickerDialog::PickerDialog(const QString &name, const QString &title)
    : QDialog(nullptr)
    , m_layout(new QVBoxLayout(this))
    , m_filterEdit(new QLineEdit(this))
{
    setObjectName(name);
    setWindowTitle(title);
    // Over the panel's window, whose rows it works on, until it is closed.
    setWindowModality(Qt::WindowModal);

    m_filterEdit->setObjectName(QStringLiteral("pickerFilter"));
    m_filterEdit->setPlaceholderText(tr("Filter by name"));
    m_layout->addWidget(m_filterEdit);
    connect(m_filterEdit, &QLineEdit::textChanged, this, &PickerDialog::refilter);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

PickerDialog::~PickerDialog() = default;

QString PickerDialog::geometryKey() const
{
    return QStringLiteral("OperativeCheck/%1/geometry").arg(objectName());
}

void PickerDialog::setTree(QWidget *tree, QTreeView *view)
{
    m_view = view;
    m_layout->insertWidget(1, tree);
}

void PickerDialog::refilter()
{
    m_shownRows = TreeRowFilter::apply(m_view, m_filterEdit->text());
}

void PickerDialog::showOver(QWidget *window)
{
    if (isVisible()) {
        refilter();
        raise();
        activateWindow();
        return;
    }
    adoptParent(window);
    m_filterEdit->clear();
    refilter();
    const QByteArray geometry = QSettings().value(geometryKey()).toByteArray();
    if (geometry.isEmpty() || !restoreGeometry(geometry))
        fitToNames(window);
    show();
    m_filterEdit->setFocus();
}

void PickerDialog::adoptParent(QWidget *window)
{
    if (!window || parentWidget() == window)
        return;
    // The plug-in owns the dialog: a window that dies first lets it go again.
    if (QWidget *old = parentWidget())
        disconnect(old, &QObject::destroyed, this, nullptr);
    setParent(window, windowFlags());
    connect(window, &QObject::destroyed, this,
            [this] { setParent(nullptr, windowFlags()); });
}

void PickerDialog::fitToNames(QWidget *window)
{
    ensurePolished();
    const QScreen *screen = window ? window->screen() : QGuiApplication::primaryScreen();
    const QRect room = screen ? screen->availableGeometry() : QRect(QPoint(), FallbackScreenSize);
    const QSize most(room.width() * ScreenShareNumerator / ScreenShareDenominator,
                     room.height() * ScreenShareNumerator / ScreenShareDenominator);

    QSize wanted = sizeHint();
    if (m_view) {
        const int frame = 2 * m_view->frameWidth();
        const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_view);
        const int rowHeight = qMax(m_view->sizeHintForRow(0), fontMetrics().height());
        const QMargins margins = m_layout->contentsMargins();
        // The tree's own measure of its names, indentation included.
        const int names = static_cast<const QAbstractItemView *>(m_view)->sizeHintForColumn(0);
        wanted.setWidth(qMax(wanted.width(),
                             names + frame + scrollBar + margins.left() + margins.right()));
        wanted.setHeight(wanted.height() - m_view->sizeHint().height()
                         + rowHeight * qMax(m_shownRows, MinRowsRoom) + frame);
        wanted = wanted.expandedTo(minimumSizeHint());
    }
    wanted = wanted.boundedTo(most);
    resize(wanted);

    const QRect over = window && window->isVisible() ? window->frameGeometry() : room;
    QRect placed(QPoint(), wanted);
    placed.moveCenter(over.center());
    placed.moveLeft(qBound(room.left(), placed.left(), room.right() - wanted.width()));
    placed.moveTop(qBound(room.top(), placed.top(), room.bottom() - wanted.height()));
    move(placed.topLeft());
}

void PickerDialog::hideEvent(QHideEvent *event)
{
    QSettings().setValue(geometryKey(), saveGeometry());
    QDialog::hideEvent(event);
}
