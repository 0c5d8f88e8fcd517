#ifndef FEEDACCESS_H
#define FEEDACCESS_H

#include <QHostAddress>
#include <QList>
#include <QPair>
#include <QString>

// Who may connect to the device listeners: anyone, or the peers within one
// of the given networks. Read from any thread once set up.
class FeedAccess
{
public:
    // "10.0.0.0/8", "2001:db8::/32", "192.0.2.7" (one host); false for
    // anything else.
    bool allow(const QString &cidr);
    bool isOpen() const { return m_networks.isEmpty(); }
    // An IPv4 peer of a dual-stack socket is judged as the IPv4 address it is.
    bool admits(const QHostAddress &peer) const;

private:
    QList<QPair<QHostAddress, int>> m_networks;
};

#endif // FEEDACCESS_H
