#include "RouteOwners.h"

RouteOwners::RouteOwners(const QString &self, const QStringList &members)
    : m_alone(false), m_self(self), m_members(members)
{
    m_members.sort();
}

quint64 RouteOwners::weight(const QString &member, int routeId)
{
    // FNV-1a over the member's UTF-8 and the route id's four bytes.
    quint64 hash = 14695981039346656037ull;
    const auto mix = [&hash](quint8 byte) {
        hash ^= byte;
        hash *= 1099511628211ull;
    };
    for (const char c : member.toUtf8())
        mix(quint8(c));
    for (int shift = 0; shift < 32; shift += 8)
        mix(quint8(quint32(routeId) >> shift));
    // FNV alone spreads short inputs poorly: MurmurHash3's finalizer mixes
    // every bit into every other.
    hash ^= hash >> 33;
    hash *= 0xff51afd7ed558ccdull;
    hash ^= hash >> 33;
    hash *= 0xc4ceb9fe1a85ec53ull;
    return hash ^ (hash >> 33);
}

QString RouteOwners::ownerOf(int routeId) const
{
    QString owner;
    quint64 best = 0;
    for (const QString &member : m_members) {
        const quint64 w = weight(member, routeId);
        if (owner.isEmpty() || w > best)
            owner = member, best = w;
    }
    return owner;
}

bool RouteOwners::owns(int routeId) const
{
    return m_alone || (!m_self.isEmpty() && ownerOf(routeId) == m_self);
}

bool RouteOwners::operator==(const RouteOwners &other) const
{
    return m_alone == other.m_alone && m_self == other.m_self && m_members == other.m_members;
}
