#include "FeedAccess.h"

bool FeedAccess::allow(const QString &cidr)
{
    const QPair<QHostAddress, int> network = QHostAddress::parseSubnet(cidr);
    if (network.first.isNull())
        return false;
    m_networks.append(network);
    return true;
}

bool FeedAccess::admits(const QHostAddress &peer) const
{
    if (m_networks.isEmpty())
        return true;
    bool isIPv4 = false;
    const quint32 v4 = peer.toIPv4Address(&isIPv4);
    const QHostAddress address = isIPv4 ? QHostAddress(v4) : peer;
    for (const auto &network : m_networks) {
        if (address.isInSubnet(network))
            return true;
    }
    return false;
}
