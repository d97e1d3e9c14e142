// The window's table and handlers as both faces use them, with a stand-in
// for the window: which control each handler reaches, and what each
// button and menu item runs.

#include "shell/mainwindowcommands.h"
#include "shell/windowdefinition.h"
#include "tests/support/u16text.h"

#include <doctest/doctest.h>
#include <string>
#include <vector>

using shell::Command;
using shell::Control;

namespace {

// The controls the handlers reach, by what they are to the user.
std::string role(Control control)
{
    switch (control) {
    case Control::FolderLabel:
        return "folder";
    case Control::DeletedCount:
        return "count";
    case Control::StartList:
        return "start";
    case Control::EndList:
        return "end";
    default:
        return "other";
    }
}

// Keeps every call the handlers make, in order, as "call control text".
class RecordingView final : public shell::MainWindowView
{
public:
    void setCaption(Control label, std::u16string_view text) override
    {
        record("caption", label, std::u16string(text));
    }
    void setListEntries(Control list, const std::vector<std::u16string> &entries) override
    {
        const std::string count = std::to_string(entries.size());
        record("entries", list,
               std::u16string(count.begin(), count.end()) + u" "
                   + (entries.empty() ? u"" : entries.front() + u".." + entries.back()));
    }
    void setListText(Control list, std::u16string_view text) override
    {
        record("select", list, std::u16string(text));
    }
    std::u16string listText(Control) const override { return u"2004年06月度"; }
    void setFocus(Control control) override { record("focus", control, {}); }
    shell::MessageAnswer showMessage(const shell::Message &message) override
    {
        calls.push_back("message "
                        + platform::toUtf8(message.text.substr(0, message.text.find(u'\r'))));
        return shell::MessageAnswer::Cancel;
    }
    void openFileManager() override { calls.push_back("file manager"); }
    void endProgram() override { calls.push_back("end"); }

    std::vector<std::string> calls;

private:
    void record(const char *call, Control control, const std::u16string &text)
    {
        calls.push_back(std::string(call) + ' ' + role(control) + ' ' + platform::toUtf8(text));
    }
};

} // namespace

TEST_CASE("Tab goes through the lists and buttons in the order of their tab indices")
{
    CHECK(shell::tabOrder()
          == std::array{Control::CancelButton, Control::StartList, Control::EndList,
                        Control::OkButton});
}

TEST_CASE("loading empties the folder and fills and presets both lists")
{
    RecordingView view;
    shell::MainWindowCommands commands(view);
    commands.load({2004, 6, 15});
    CHECK(view.calls
          == std::vector<std::string>{
              "caption folder ",
              "entries start 348 2002年01月度..2030年12月度",
              "select start 2004年06月度",
              "entries end 348 2002年01月度..2030年12月度",
              "select end 2004年06月度",
          });
}

// With no ORVETA folder known, the deletion run and the clearing stop at the
// not-installed notice, whose first line stands here.
TEST_CASE("each button and menu item runs the command the table gives it")
{
    const std::vector<std::string> notInstalled{
        "message ORVETAがｲﾝｽﾄｰﾙされていないか、ORVETAを      "};
    const std::vector<std::string> ended{"end"};
    const struct
    {
        Control button;
        std::vector<std::string> calls;
    } buttons[] = {
        {Control::OkButton, notInstalled},
        {Control::CancelButton, ended},
    };
    for (const auto &row : buttons) {
        const shell::ControlDefinition &button = shell::definitionOf(row.button);
        CAPTURE(button.name);
        RecordingView view;
        shell::MainWindowCommands commands(view);
        commands.run(button.command);
        CHECK(view.calls == row.calls);
    }
    const struct
    {
        std::string_view item;
        std::vector<std::string> calls;
    } items[] = {
        {"P_EXPL", {"file manager"}},
        {"f001", {}},
        {"Reg_DEL", notInstalled},
        {"f002", {}},
        {"P_END", ended},
    };
    REQUIRE(std::size(items) == shell::kMenuItems.size());
    for (std::size_t i = 0; i < shell::kMenuItems.size(); ++i) {
        CAPTURE(items[i].item);
        CHECK(shell::kMenuItems[i].name == items[i].item);
        RecordingView view;
        shell::MainWindowCommands commands(view);
        commands.run(shell::kMenuItems[i].command);
        CHECK(view.calls == items[i].calls);
    }
}
