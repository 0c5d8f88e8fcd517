#ifndef ENDPOINT_H
#define ENDPOINT_H

#include <QString>

#include <optional>

// A "HOST:PORT" address as given on a command line; an IPv6 host goes in
// brackets ("[::1]:47800"), since the port would be ambiguous otherwise.
struct Endpoint
{
    QString host; // without brackets
    quint16 port = 0;

    // Nothing for a text without a host, with a port outside 0..65535 (0 only
    // with allowAnyPort), or with an unbracketed IPv6 host.
    static std::optional<Endpoint> parse(const QString &text, bool allowAnyPort = false);
};

#endif // ENDPOINT_H
