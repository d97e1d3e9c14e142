#include "shell/texts.h"

#include "platform/text.h"

namespace texts {
namespace {

using platform::ErrorKind;

// The program's words for a kind of failure; empty where it has none.
std::u16string_view reasonText(ErrorKind kind)
{
    switch (kind) {
    case ErrorKind::NoPermission:
        return kNoPermission;
    case ErrorKind::ReadOnlyFileSystem:
        return kReadOnlyFileSystem;
    case ErrorKind::InUse:
        return kInUse;
    case ErrorKind::NoSpace:
        return kNoSpace;
    case ErrorKind::IoError:
        return kIoError;
    case ErrorKind::NameTooLong:
        return kNameTooLong;
    case ErrorKind::NotFound:
        return kNotFound;
    case ErrorKind::Busy:
        return kBusy;
    case ErrorKind::ReadOnlyFile:
        return kReadOnlyFile;
    case ErrorKind::ForeignLink:
        return kForeignLink;
    case ErrorKind::ChangedMeanwhile:
        return kChangedMeanwhile;
    case ErrorKind::ForeignOwner:
        return kForeignOwner;
    case ErrorKind::OpenToOthers:
        return kOpenToOthers;
    case ErrorKind::NotAbsolute:
        return kNotAbsolute;
    case ErrorKind::NotRegularFile:
        return kNotRegularFile;
    case ErrorKind::NoAnswer:
        return kNoAnswer;
    case ErrorKind::CountLimit:
        return kCountLimit;
    case ErrorKind::Other:
        break;
    }
    return {};
}

// The same words for a note on standard error, for the program's own
// refusals; empty for the system's errors.
std::string_view noteRefusal(const platform::SystemError &error)
{
    switch (error.kind) {
    case ErrorKind::NotAbsolute:
        return kNotAbsoluteRefusal;
    case ErrorKind::ForeignOwner:
        return kForeignOwnerRefusal;
    case ErrorKind::OpenToOthers:
        return kOpenToOthersRefusal;
    case ErrorKind::NotRegularFile:
        return kNotRegularFileRefusal;
    case ErrorKind::NoAnswer:
        return kNoAnswerRefusal;
    case ErrorKind::NameTooLong:
        return error.code == 0 ? kPathTooLongRefusal : std::string_view();
    default:
        return {};
    }
}

// The reason in a note: the program's words for its own refusals, the
// system's for the rest.
std::string noteReason(const platform::SystemError &error)
{
    if (const std::string_view refusal = noteRefusal(error); !refusal.empty())
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
    // The program's own refusals carry no code the system could explain.
    if (error.code == 0 && !reasonText(error.kind).empty())
        return std::u16string(reasonText(error.kind));
    if (auto text = platform::japaneseSystemMessage(error))
        return std::move(*text);
    if (const std::u16string_view text = reasonText(error.kind); !text.empty())
        return std::u16string(text);
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
        const std::string reason = noteReason(problem.error);
        const bool refused = !noteRefusal(problem.error).empty();
        if (!met.empty())
            met += kNoteSeparator;
        switch (problem.step) {
        case Step::UseRuntimeFolder:
            met += fill(kRuntimeFolderUnusable, {problem.path, reason});
            break;
        case Step::FindHome:
            met += kNoHomeFolder;
            break;
        case Step::Create:
            met += fill(kCannotCreate, {problem.path, reason});
            break;
        case Step::Open:
            met += fill(refused ? kRefused : kCannotOpen, {problem.path, reason});
            break;
        case Step::MakePrivate:
            met += fill(kCannotMakePrivate, {problem.path, reason});
            break;
        case Step::Lock:
            met += problem.path.empty() ? reason : fill(kCannotLock, {problem.path, reason});
            break;
        }
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
