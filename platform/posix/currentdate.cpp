#include "platform/currentdate.h"

namespace platform {

CalendarDate localDate(std::time_t moment)
{
    std::tm local = {};
    if (!::localtime_r(&moment, &local))
        return {};
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

CalendarDate currentLocalDate()
{
    return localDate(std::time(nullptr));
}

} // namespace platform
