#include "deletion/period.h"

#include <QDir>

#include <charconv>
#include <iterator>

using namespace Qt::StringLiterals;

namespace deletion {

QString periodText(int year, int month)
{
    return QString::number(year) + u'年' + QString::number(month).rightJustified(2, u'0')
           + u"月度"_s;
}

QStringList periodList()
{
    QStringList texts;
    texts.reserve((kLastYear - kFirstYear + 1) * 12);
    for (int year = kFirstYear; year <= kLastYear; ++year)
        for (int month = 1; month <= 12; ++month)
            texts.append(periodText(year, month));
    return texts;
}

QString presetPeriodText(const QString &dateText)
{
    const int year = dateText.left(4).toInt();
    const int month = dateText.mid(5, 2).toInt();
    if (year < kFirstYear)
        return periodText(kFirstYear, 1);
    if (year > kLastYear)
        return periodText(kLastYear, 12);
    return periodText(year, month);
}

QString periodCode(const QString &periodText)
{
    return periodText.left(4) + periodText.mid(5, 2);
}

int codeValue(const QString &code)
{
    return code.toInt();
}

QString dataFilePath(const QString &installPath, int candidate)
{
    return DataFilePaths(installPath).forMonth(candidate);
}

DataFilePaths::DataFilePaths(const QString &installPath)
    : path_(installPath + QDir::separator() + u"data"_s + QDir::separator())
    , folderLength_(path_.size())
{
    path_.reserve(folderLength_ + 16);
}

QString &DataFilePaths::forMonth(int candidate)
{
    char digits[12];
    const auto [end, error] = std::to_chars(std::begin(digits), std::end(digits), candidate);
    Q_ASSERT(error == std::errc());
    path_.truncate(folderLength_);
    path_.append(QLatin1StringView(digits, end - digits));
    path_.append(QLatin1StringView("orveta.mdb"));
    return path_;
}

} // namespace deletion
