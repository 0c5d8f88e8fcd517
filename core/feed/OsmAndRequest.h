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

// Read as the apps send it: an empty value is the same as none; -1 for a
// speed, course or battery level is "unknown"; an HDOP without an accuracy
// stands for five metres a unit; a POST without a content type is a form; a
// JSON document is read alone (not the query), a GET's body not at all. A time
// before 1970 or after 9999 is refused, and so is a key that would not do as a
// device id. Coordinates out of range are returned as read.
// query: the URL's query string without the '?', percent-encoded as sent.
// contentType: the header's value as sent (parameters such as charset allowed).
// receivedMs: the time of receipt, taken for a fix without a timestamp.
Result read(Method method, const QByteArray &query, const QByteArray &contentType,
            const QByteArray &body, qint64 receivedMs);

} // namespace OsmAndRequest

#endif // OSMANDREQUEST_H
