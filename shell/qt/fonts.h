#pragma once

#include <QFont>

namespace shell {

// The window's Japanese Gothic face: the face it was designed for where the
// system has it, its metric twin IPAPGothic otherwise, then any Japanese
// Gothic face the system offers.
[[nodiscard]] QFont gothicFont(qreal pointSize, bool bold = false);

} // namespace shell
