#include "platform/currentdate.h"

#include <ctime>

namespace platform {

CalendarDate currentLocalDate()
{
    const std::time_t now = std::time(nullptr);
    std::tm local = {};
    if (!::localtime_r(&now, &local))
        return {};
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

} // namespace platform
