#include "wire/Endpoint.h"

#include <algorithm>

std::optional<Endpoint> Endpoint::parse(const QString &text, bool allowAnyPort)
{
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return std::nullopt;
    QString host = text.left(colon);
    if (host.startsWith(QLatin1Char('[')) != host.endsWith(QLatin1Char(']')))
        return std::nullopt;
    if (host.startsWith(QLatin1Char('[')))
        host = host.mid(1, host.size() - 2);
    else if (host.contains(QLatin1Char(':')))
        return std::nullopt;
    if (host.isEmpty())
        return std::nullopt;
    const QString digits = text.mid(colon + 1);
    bool ok = false;
    const uint value = digits.toUInt(&ok);
    // toUInt takes a sign and surrounding blanks; a port is digits only.
    const bool digitsOnly = !digits.isEmpty()
        && std::all_of(digits.begin(), digits.end(), [](QChar c) { return c.isDigit(); });
    if (!ok || !digitsOnly || value > 65535 || (value == 0 && !allowAnyPort))
        return std::nullopt;
    return Endpoint{host, quint16(value)};
}
