#pragma once

// Stands in for the main window in the doctest programs of the deletion run
// and the settings clearing: answers each message from a script, OK once
// the script runs out, and keeps everything it was shown.

#include "deletion/deletionrun.h"
#include "settings/settingsclearing.h"
#include "shell/message.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// The list entry of a month given as a code: "2004年06月度" for 200406.
inline std::u16string periodEntry(int month)
{
    const std::string code = std::to_string(month);
    return std::u16string(code.begin(), code.begin() + 4) + u'年'
           + std::u16string(code.begin() + 4, code.end()) + u"月度";
}

template<typename Window>
class RecordingWindow : public Window
{
public:
    shell::MessageAnswer showMessage(const shell::Message &message) override
    {
        messages.push_back(message);
        if (onMessage)
            onMessage(); // what the user does while the message is up
        if (answers.empty())
            return shell::MessageAnswer::Ok;
        const shell::MessageAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::deque<shell::MessageAnswer> answers;
    std::vector<shell::Message> messages;
    std::vector<std::u16string> captions; // every text the window's label was given
    std::function<void()> onMessage;
};

class DeletionWindowStandIn final : public RecordingWindow<deletion::DeletionWindow>
{
public:
    // Months as codes: 200406 for 2004年06月度.
    DeletionWindowStandIn(int startMonth, int endMonth) { show(startMonth, endMonth); }

    // The months the two lists show from now on.
    void show(int startMonth, int endMonth)
    {
        start = periodEntry(startMonth);
        end = periodEntry(endMonth);
    }

    std::u16string startPeriodText() const override { return start; }
    std::u16string endPeriodText() const override { return end; }
    void setDeletedCountCaption(const std::u16string &caption) override
    {
        captions.push_back(caption);
    }
    void focusStartPeriod() override { ++focusCalls; }

    std::u16string start;
    std::u16string end;
    int focusCalls = 0;
};

class ClearingWindowStandIn final : public RecordingWindow<settings::ClearingWindow>
{
public:
    void setFolderCaption(const std::u16string &caption) override { captions.push_back(caption); }
};

} // namespace testsupport
