// Row ids of the record list.
#include "ListedRecord.h"

#include <QUuid>

namespace vesk {

QString NewRecordId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

} // namespace vesk
