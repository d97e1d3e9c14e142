#pragma once

#include <string>

// A question or notice as the program's commands describe it. It carries no
// widget type so that the deletion run and the settings clearing can build
// and test their messages without a screen; each front end shows it in a
// modal box of its own system.
namespace shell {

enum class MessageIcon { Question, Exclamation };
enum class MessageButtons { Ok, OkCancel };
enum class MessageAnswer { Ok, Cancel };

// Breaks the line in a message's text.
inline constexpr char16_t CR = u'\r';

struct Message
{
    std::u16string text; // lines joined by CR
    std::u16string title;
    MessageIcon icon = MessageIcon::Exclamation;
    MessageButtons buttons = MessageButtons::Ok;

    friend bool operator==(const Message &, const Message &) = default;
};

} // namespace shell
