#ifndef FRAMEBUDGET_H
#define FRAMEBUDGET_H

#include <QObject>

// The memory every connection together may hold of frames not yet complete.
// A connection takes bytes before it reads them and gives them back once the
// frame is handed on or the connection goes; one that finds the budget spent
// stops reading (its peer's bytes wait in the socket) until released()
// says there is room again.
class FrameBudget : public QObject
{
    Q_OBJECT

public:
    explicit FrameBudget(qint64 capacity, QObject *parent = nullptr);

    qint64 capacity() const { return m_capacity; }
    qint64 held() const { return m_held; }
    qint64 room() const { return m_capacity - m_held; }

    // Takes up to wanted bytes; returns how many were granted (0 when spent).
    qint64 take(qint64 wanted);
    void give(qint64 bytes);

signals:
    void released();

private:
    qint64 m_capacity;
    qint64 m_held = 0;
};

#endif // FRAMEBUDGET_H
