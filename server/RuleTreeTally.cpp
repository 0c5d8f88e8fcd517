#include "RuleTreeTally.h"

void RuleTreeTally::count(qint64 treeBytes, QHash<qint32, qint64> routeBytes)
{
    m_known = true;
    m_treeBytes = treeBytes;
    m_routeBytes = std::move(routeBytes);
}

RuleTreeTally::Growth::Growth(const RuleTreeTally &tally)
    : m_tally(tally), m_treeBytes(tally.m_treeBytes)
{
}

void RuleTreeTally::Growth::setRoute(qint32 id, qint64 bytes)
{
    const auto earlier = m_routeBytes.constFind(id);
    const qint64 before =
        earlier != m_routeBytes.cend() ? *earlier : m_tally.m_routeBytes.value(id);
    m_treeBytes += bytes - before;
    m_routeBytes.insert(id, bytes);
}

void RuleTreeTally::apply(const Growth &growth)
{
    m_treeBytes = growth.m_treeBytes;
    for (auto route = growth.m_routeBytes.cbegin(); route != growth.m_routeBytes.cend(); ++route)
        m_routeBytes.insert(route.key(), route.value());
}
