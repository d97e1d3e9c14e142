#include "shell/qt/displaytext.h"

namespace shell {

QString displayText(std::u16string_view text)
{
    QString shown(reinterpret_cast<const QChar *>(text.data()), qsizetype(text.size()));
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (shown[i].isHighSurrogate() && i + 1 < shown.size() && shown[i + 1].isLowSurrogate())
            ++i;
        else if (shown[i].isSurrogate())
            shown[i] = QChar::ReplacementCharacter;
    }
    return shown;
}

} // namespace shell
