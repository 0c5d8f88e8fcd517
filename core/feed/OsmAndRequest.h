#ifndef OSMANDREQUEST_H
#define OSMANDREQUEST_H

#include "feed/DeviceFix.h"

#include <QByteArray>
#include <QString>

#include <optional>

// Reads one fix of the OsmAnd position protocol that phone tracking apps and
// tracking servers' forwarding speak over HTTP: a query string (GET), a
// url-encoded form or a JSON document (POST). Knows nothing of HTTP itself.
namespace OsmAndRequest {

enum class Method { Get, Post };

struct Result
{
    std::optional<DeviceFix> fix; // set when the request reads
    QString error;                // otherwise one line for the 400 reply
};

// query: the URL's query string without the '?', percent-encoded as sent.
// contentType: the header's value as sent (parameters such as charset allowed).
// receivedMs: the time of receipt, taken for a fix without a timestamp.
Result read(Method method, const QByteArray &query, const QByteArray &contentType,
            const QByteArray &body, qint64 receivedMs);

} // namespace OsmAndRequest

#endif // OSMANDREQUEST_H
