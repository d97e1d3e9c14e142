#pragma once

#include <QString>

namespace platform {

// Today's local date as "yyyy/MM/dd".
QString currentDateText();

} // namespace platform
