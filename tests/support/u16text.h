#pragma once

// doctest shows the program's UTF-16 texts and messages as UTF-8 when a
// check fails, a line break of a message as \r.

#include "platform/text.h"
#include "shell/message.h"

#include <doctest/doctest.h>
#include <string>

namespace doctest {

template<>
struct StringMaker<std::u16string>
{
    static String convert(const std::u16string &text)
    {
        std::string shown = platform::toUtf8(text);
        for (std::size_t at = 0; (at = shown.find('\r', at)) != std::string::npos; at += 2)
            shown.replace(at, 1, "\\r");
        return ('"' + shown + '"').c_str();
    }
};

template<>
struct StringMaker<shell::Message>
{
    static String convert(const shell::Message &message)
    {
        return StringMaker<std::u16string>::convert(message.text) + " ["
               + StringMaker<std::u16string>::convert(message.title) + ", icon "
               + toString(int(message.icon)) + ", buttons " + toString(int(message.buttons)) + "]";
    }
};

} // namespace doctest
