#pragma once

#include "platform/currentdate.h"

#include <algorithm>
#include <concepts>
#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

// The three forms of a month: the period text the user picks ("2004年06月度"),
// its six-digit code ("200406") and its data file ("200406orveta.mdb" in the
// data folder).
namespace deletion {

inline constexpr int kFirstYear = 2002;
inline constexpr int kLastYear = 2030;

// "2004年06月度" for 2004 and 6.
[[nodiscard]] std::u16string periodText(int year, int month);

// The 348 period texts the lists offer, 2002年01月度 to 2030年12月度.
[[nodiscard]] std::vector<std::u16string> periodList();

// The period text of the month of a date. A date before the first listed
// year gives the first entry, one after the last gives the last.
[[nodiscard]] std::u16string presetPeriodText(const platform::CalendarDate &date);

// "200406" for "2004年06月度".
[[nodiscard]] std::u16string periodCode(std::u16string_view periodText);

// The number a code spells; 0 for a text that is no code.
[[nodiscard]] int codeValue(std::u16string_view code);

// "200406orveta.mdb": the name of a month's data file in the data folder.
[[nodiscard]] std::u16string dataFileName(int candidate);

// Counts from start to end inclusive and hands every value whose month part
// lies in 1..12 to yield, in order; a yield that returns false ends the walk.
// Returns how many values it counted. The 87 values from a year's 13 to its
// 99 are passed over in one step: they can never be months.
template<std::invocable<int> Yield>
int walkRange(int start, int end, Yield &&yield)
{
    int visited = 0;
    for (int value = start; value <= end; ++value) {
        const int month = value % 100;
        if (month > 12) {
            const int last = std::min(value - month + 99, end);
            visited += last - value + 1;
            value = last;
            continue;
        }
        ++visited;
        if (month < 1)
            continue;
        if constexpr (std::same_as<std::invoke_result_t<Yield, int>, bool>) {
            if (!yield(value))
                break;
        } else {
            yield(value);
        }
    }
    return visited;
}

} // namespace deletion
