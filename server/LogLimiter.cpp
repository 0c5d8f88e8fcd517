#include "LogLimiter.h"

#include "ServerLog.h"

LogLimiter::LogLimiter(int linesPerWindow)
    : m_linesPerWindow(linesPerWindow)
{
    m_clock.start();
}

bool LogLimiter::admit(const char *kind)
{
    QMutexLocker lock(&m_mutex);
    const qint64 now = m_clock.elapsed();
    const QByteArray key(kind);
    auto window = m_windows.find(key);
    if (window == m_windows.end())
        window = m_windows.insert(key, Window{now, 0, 0});
    if (now - window->startMs >= WindowMs) {
        if (window->held > 0) {
            qCWarning(lcServer).nospace() << "held back " << window->held << " more \"" << kind
                                          << "\" lines in a minute";
        }
        *window = Window{now, 0, 0};
    }
    if (window->written < m_linesPerWindow) {
        ++window->written;
        return true;
    }
    ++window->held;
    return false;
}
