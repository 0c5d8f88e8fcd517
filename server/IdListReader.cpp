#include "IdListReader.h"

#include <QDataStream>

namespace IdListReader {

bool read(QDataStream &in, QList<int> *ids)
{
    ids->clear();
    quint32 count = 0;
    in >> count;
    // Each id read must really be there, so the loop ends with the body.
    for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        qint32 id = 0;
        in >> id;
        if (in.status() == QDataStream::Ok)
            ids->append(id);
    }
    return in.status() == QDataStream::Ok;
}

} // namespace IdListReader
