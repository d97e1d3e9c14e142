#include "platform/currentdate.h"

#include <QDate>

using namespace Qt::StringLiterals;

namespace platform {

QString currentDateText()
{
    return QDate::currentDate().toString(u"yyyy/MM/dd"_s);
}

} // namespace platform
