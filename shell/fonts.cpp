#include "shell/fonts.h"

#include <QStringList>

namespace shell {

QFont gothicFont(qreal pointSize, bool bold)
{
    QFont font;
    font.setFamilies({
        QStringLiteral("ＭＳ Ｐゴシック"),
        QStringLiteral("MS PGothic"),
        QStringLiteral("IPAPGothic"),
        QStringLiteral("IPAGothic"),
        QStringLiteral("Noto Sans CJK JP"),
        QStringLiteral("VL PGothic"),
        QStringLiteral("TakaoPGothic"),
    });
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    return font;
}

} // namespace shell
