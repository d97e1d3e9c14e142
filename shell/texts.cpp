#include "shell/texts.h"

#include "platform/text.h"

#include <algorithm>

namespace texts {
namespace {

using platform::ErrorKind;

// The program's words for a kind of failure.
const Reason *reasonOf(ErrorKind kind)
{
    const auto found = std::ranges::find(kReasons, kind, &Reason::kind);
    return found == kReasons.end() ? nullptr : &*found;
}

// The program's own refusals carry no code the system could explain.
std::u16string_view ownJapanese(const platform::SystemError &error)
{
    const Reason *reason = reasonOf(error.kind);
    return error.code == 0 && reason ? reason->japanese : std::u16string_view();
}

std::string_view ownEnglish(const platform::SystemError &error)
{
    const Reason *reason = reasonOf(error.kind);
    return error.code == 0 && reason ? reason->english : std::string_view();
}

// The reason in a note: the program's words for its own refusals, the
// system's for the rest.
std::string noteReason(const platform::SystemError &error)
{
    if (const std::string_view refusal = ownEnglish(error); !refusal.empty())
        return std::string(refusal);
    return platform::toUtf8(platform::systemMessage(error));
}

template<typename Char>
std::basic_string<Char> fillPattern(std::basic_string_view<Char> pattern,
                                    std::initializer_list<std::basic_string_view<Char>> values)
{
    constexpr Char kPlace[] = {Char('{'), Char('}'), Char(0)};
    std::basic_string<Char> filled;
    auto value = values.begin();
    for (;;) {
        const std::size_t place = pattern.find(kPlace);
        if (place == pattern.npos || value == values.end()) {
            filled += pattern;
            return filled;
        }
        filled.append(pattern.substr(0, place)).append(*value++);
        pattern.remove_prefix(place + 2);
    }
}

} // namespace

std::u16string fill(std::u16string_view pattern, std::initializer_list<std::u16string_view> values)
{
    return fillPattern(pattern, values);
}

std::string fill(std::string_view pattern, std::initializer_list<std::string_view> values)
{
    return fillPattern(pattern, values);
}

std::u16string failureReason(const platform::SystemError &error)
{
    if (const std::u16string_view text = ownJapanese(error); !text.empty())
        return std::u16string(text);
    if (auto text = platform::japaneseSystemMessage(error))
        return std::move(*text);
    if (const Reason *reason = reasonOf(error.kind))
        return std::u16string(reason->japanese);
    if (std::u16string text = platform::systemMessage(error); !text.empty())
        return text;
    return fill(kErrorCode, {platform::decimalText(error.code)});
}

std::string lockNote(const std::vector<platform::LockProblem> &problems,
                     std::string_view folderTaken)
{
    using Step = platform::LockProblem::Step;
    if (problems.empty())
        return {};
    std::string met;
    for (const platform::LockProblem &problem : problems) {
        if (!met.empty())
            met += kNoteSeparator;
        const std::string reason = noteReason(problem.error);
        if (problem.step == Step::Lock && problem.path.empty())
            met += reason;
        else if (problem.step == Step::Open && !ownEnglish(problem.error).empty())
            met += fill(kRefused, {problem.path, reason});
        else
            met += fill(std::ranges::find(kStepNotes, problem.step, &StepNote::step)->pattern,
                        {problem.path, reason});
    }
    return fill(kNote, {folderTaken.empty() ? fill(kLockNotChecked, {met})
                                            : fill(kLockMoved, {met, folderTaken})});
}

std::string raiseNotAskedNote(const platform::SystemError &error)
{
    return fill(kNote, {fill(kRaiseNotAsked, {noteReason(error)})});
}

std::string raiseNotHeardNote(const platform::SystemError &error)
{
    return fill(kNote, {fill(kRaiseNotHeard, {noteReason(error)})});
}

} // namespace texts
