#ifndef ROUTEOWNERS_H
#define ROUTEOWNERS_H

#include <QString>
#include <QStringList>

// Which of the live servers of a database judges a route: rendezvous hashing
// over their ids, so that every server works out the same owner for each
// route from the same list, and a server that leaves hands on only its own
// routes. The work is divided by route, not by unit, because a route's
// states are judged from all of its units' crossings together.
class RouteOwners
{
public:
    // A server of its own: it judges every route.
    RouteOwners() = default;
    // self among members; without self in members (its lease lapsed) it judges none.
    RouteOwners(const QString &self, const QStringList &members);

    bool owns(int routeId) const;
    int memberCount() const { return int(m_members.size()); }
    QString ownerOf(int routeId) const; // empty: alone, or nobody
    bool operator==(const RouteOwners &other) const;
    bool operator!=(const RouteOwners &other) const { return !(*this == other); }

    // The same number for a member and route in every process (unlike qHash).
    static quint64 weight(const QString &member, int routeId);

private:
    bool m_alone = true;
    QString m_self;
    QStringList m_members;
};

#endif // ROUTEOWNERS_H
