#include "FrameBudget.h"

FrameBudget::FrameBudget(qint64 capacity, QObject *parent)
    : QObject(parent), m_capacity(capacity)
{
}

qint64 FrameBudget::take(qint64 wanted)
{
    const qint64 granted = qBound<qint64>(0, wanted, room());
    m_held += granted;
    return granted;
}

void FrameBudget::give(qint64 bytes)
{
    Q_ASSERT(bytes >= 0 && bytes <= m_held);
    const bool wasSpent = room() == 0;
    m_held -= bytes;
    if (wasSpent && bytes > 0)
        emit released();
}
