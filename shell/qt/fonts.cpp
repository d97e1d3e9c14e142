#include "shell/qt/fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace shell {
namespace {

QStringList gothicFamilies()
{
    const QStringList preferred{
        QStringLiteral("ＭＳ Ｐゴシック"),  QStringLiteral("MS PGothic"),
        QStringLiteral("IPAPGothic"),       QStringLiteral("IPAGothic"),
        QStringLiteral("Noto Sans CJK JP"), QStringLiteral("VL PGothic"),
        QStringLiteral("TakaoPGothic"),
    };
    // Naming only the face that is there spares the font system a fallback
    // search for every absent one, a good part of the start-up time.
    const QStringList installed = QFontDatabase::families(QFontDatabase::Japanese);
    for (const QString &family : preferred)
        if (installed.contains(family))
            return {family};
    return preferred;
}

} // namespace

QFont gothicFont(qreal pointSize, bool bold)
{
    static const QStringList families = gothicFamilies();
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    return font;
}

} // namespace shell
