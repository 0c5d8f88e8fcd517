#ifndef LOGLIMITER_H
#define LOGLIMITER_H

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QMutex>

// Keeps a flood of one kind of log line (bad frames, failed requests, closed
// clients) from drowning the log: the first few lines of a kind each minute
// are written, the rest only counted, and the count is written with the
// next line of that kind after the minute. Thread-safe.
class LogLimiter
{
public:
    static constexpr qint64 WindowMs = 60 * 1000;
    static constexpr int DefaultLinesPerWindow = 5;

    explicit LogLimiter(int linesPerWindow);

    // Whether a line of this kind may be written now.
    bool admit(const char *kind);

private:
    struct Window
    {
        qint64 startMs = 0;
        int written = 0;
        qint64 held = 0;
    };

    const int m_linesPerWindow;
    QMutex m_mutex;
    QElapsedTimer m_clock;
    QHash<QByteArray, Window> m_windows;
};

#endif // LOGLIMITER_H
