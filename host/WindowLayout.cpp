#include "WindowLayout.h"

#include <QMainWindow>
#include <QSettings>

namespace WindowLayout {

namespace {

const QString GeometryKey = QStringLiteral("window/geometry");
const QString StateKey = QStringLiteral("window/state");
// Raised whenever the docks change, so that an old arrangement is dropped.
constexpr int Version = 1;

} // namespace

void restore(QMainWindow *window, const QSettings &settings)
{
    window->restoreGeometry(settings.value(GeometryKey).toByteArray());
    window->restoreState(settings.value(StateKey).toByteArray(), Version);
}

void save(const QMainWindow *window, QSettings &settings)
{
    settings.setValue(GeometryKey, window->saveGeometry());
    settings.setValue(StateKey, window->saveState(Version));
}

} // namespace WindowLayout
