#ifndef IDLISTREADER_H
#define IDLISTREADER_H

#include <QList>

class QDataStream;

// Strict reading of an id list or id set (both are a uint32 count, then that
// many int32) in a request. Qt's own set reader reserves the wire's count up
// front, and the lenient list reader accepts a list cut short; a request that
// is cut short must be refused instead.
namespace IdListReader {

// False, with the stream's status left failed, when fewer ids than counted follow.
bool read(QDataStream &in, QList<int> *ids);

} // namespace IdListReader

#endif // IDLISTREADER_H
