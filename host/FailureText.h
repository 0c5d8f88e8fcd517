#ifndef FAILURETEXT_H
#define FAILURETEXT_H

#include <QString>

struct RequestFailure;

// A server refusal as the window says it: what its code means, in the
// window's language, then the server's own reason (in English) as a detail.
namespace FailureText {

QString explained(const RequestFailure &failure);

} // namespace FailureText

#endif // FAILURETEXT_H
