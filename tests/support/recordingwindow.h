#pragma once

// Stands in for the main window in the doctest programs of the deletion run
// and the settings clearing: answers each message from a script, OK once
// the script runs out, and keeps everything it was shown.

#include "deletion/deletionrun.h"
#include "deletion/period.h"
#include "settings/settingsclearing.h"
#include "shell/message.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

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
        start = deletion::periodText(startMonth / 100, startMonth % 100);
        end = deletion::periodText(endMonth / 100, endMonth % 100);
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
