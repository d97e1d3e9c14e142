#pragma once

// Stands in for the main window in the doctest programs of the deletion
// run: shows the chosen months, answers every question with OK and keeps
// what it was shown.

#include "deletion/deletionrun.h"
#include "deletion/period.h"

#include <string>
#include <vector>

namespace testsupport {

class RecordingWindow final : public deletion::DeletionWindow
{
public:
    // Months as codes: 200406 for 2004年06月度.
    RecordingWindow(int start, int end)
        : start_(deletion::periodText(start / 100, start % 100))
        , end_(deletion::periodText(end / 100, end % 100))
    {
    }

    std::u16string startPeriodText() const override { return start_; }
    std::u16string endPeriodText() const override { return end_; }
    void setDeletedCountCaption(const std::u16string &caption) override
    {
        captions.push_back(caption);
    }
    void focusStartPeriod() override { }
    shell::MessageAnswer showMessage(const shell::Message &message) override
    {
        messages.push_back(message.text);
        return shell::MessageAnswer::Ok;
    }

    std::vector<std::u16string> messages; // their texts, the two questions first
    std::vector<std::u16string> captions; // every text Label5 was given

private:
    std::u16string start_;
    std::u16string end_;
};

} // namespace testsupport
