#include "FailureText.h"

#include "wire/RequestFailure.h"

#include <QCoreApplication>

namespace {

QString meaning(RequestFailure::Code code)
{
    switch (code) {
    case RequestFailure::ReadOnly:
        return QCoreApplication::translate("FailureText", "the server's database is read-only");
    case RequestFailure::Busy:
        return QCoreApplication::translate("FailureText",
                                           "the server's database is busy with another program");
    case RequestFailure::Storage:
        return QCoreApplication::translate("FailureText",
                                           "the server could not write to its storage");
    case RequestFailure::OverLimit:
        return QCoreApplication::translate("FailureText",
                                           "the change exceeds one of the server's limits");
    case RequestFailure::Malformed:
        return QCoreApplication::translate("FailureText", "the server could not read the request");
    case RequestFailure::Refused:
        break;
    }
    return QCoreApplication::translate("FailureText", "the server refused the request");
}

} // namespace

namespace FailureText {

QString explained(const RequestFailure &failure)
{
    const QString text = meaning(failure.code);
    if (failure.reason.isEmpty())
        return text;
    return QCoreApplication::translate("FailureText", "%1 (server: %2)")
        .arg(text, failure.reason);
}

} // namespace FailureText
