#pragma once

// doctest shows the program's UTF-16 texts as UTF-8 when a check fails.

#include "platform/text.h"

#include <doctest/doctest.h>
#include <string>

namespace doctest {
template<>
struct StringMaker<std::u16string>
{
    static String convert(const std::u16string &text)
    {
        return ('"' + platform::toUtf8(text) + '"').c_str();
    }
};
} // namespace doctest
