#pragma once

// One deletion run over a data folder laid out afresh, as the deletion run's
// tests of both builds describe it: which files are there before, which stay,
// what the window is told and the count it shows.

#include "deletion/deletionrun.h"
#include "tests/support/recordingwindow.h"
#include "tests/support/scratchfolder.h"
#include "tests/support/skip.h"
#include "tests/support/u16text.h"

#include <algorithm>
#include <cstdint>
#include <doctest/doctest.h>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

using shell::Message;
using shell::MessageAnswer;
using shell::MessageButtons;
using shell::MessageIcon;

inline const std::u16string kDeletionTitle = u"勤務ﾃﾞｰﾀ削除";
inline const Message kFirstQuestion{u"削除した勤務データは復元できません。\r"
                                    u"削除する前にバックアップを作成してください。\r"
                                    u"勤務データを削除しますか？",
                                    kDeletionTitle, MessageIcon::Question,
                                    MessageButtons::OkCancel};
inline const Message kSecondQuestion{u"本当に勤務データを削除してよろしいですか？", kDeletionTitle,
                                     MessageIcon::Question, MessageButtons::OkCancel};
inline const std::vector<Message> kConfirmed{kFirstQuestion, kSecondQuestion};

// The error message after the confirmations.
inline Message deletionFailure(const std::u16string &detail)
{
    return {u"勤務データの削除中にエラーが発生しました。\r" + detail + u"\r\r中止します・・・・・",
            kDeletionTitle, MessageIcon::Exclamation, MessageButtons::Ok};
}

inline std::vector<Message> operator+(std::vector<Message> messages, const Message &message)
{
    messages.push_back(message);
    return messages;
}

// The names given and more, sorted as a folder's entries are listed.
inline std::vector<std::string> operator+(std::vector<std::string> names,
                                          const std::vector<std::string> &more)
{
    names.insert(names.end(), more.begin(), more.end());
    std::ranges::sort(names);
    return names;
}

// The data files of the months given, by name.
inline std::vector<std::string> dataFiles(std::initializer_list<int> months)
{
    std::vector<std::string> names;
    for (const int month : months)
        names.push_back(std::to_string(month) + "orveta.mdb");
    return names;
}

struct DeletionRow
{
    const char *name;
    int start, end; // months as codes
    std::vector<std::string> present, kept; // names in the data folder
    int countBefore, countAfter;
    std::vector<Message> messages;
    std::vector<MessageAnswer> answers = {};
    // What else is laid out before the run, in the data folder given; false
    // when it cannot be done here, and the row is passed over.
    std::function<bool(const std::filesystem::path &data)> prepare = {};
    // The ORVETA folder's name in a folder of the test's own; empty: that
    // folder itself.
    std::u16string orvetaFolder = {};
};

// Runs the row in a fresh ORVETA folder and checks what became of it.
inline void checkDeletionRow(const DeletionRow &row)
{
    CAPTURE(row.name);
    const ScratchFolder scratch;
    REQUIRE(scratch.isValid());
    const std::filesystem::path install
        = row.orvetaFolder.empty() ? scratch.path() : scratch.path() / row.orvetaFolder;
    const std::filesystem::path data = install / "data";
    REQUIRE(std::filesystem::create_directories(data));
    for (const std::string &name : row.present)
        REQUIRE(writeFile(data / name));
    if (row.prepare && !row.prepare(data)) {
        recordSkip("the row cannot be laid out on this system");
        return;
    }

    DeletionWindowStandIn window(row.start, row.end);
    window.answers.assign(row.answers.begin(), row.answers.end());
    std::int16_t count = std::int16_t(row.countBefore);
    deletion::runDeletion(window, install.u16string(), count);

    CHECK(folderEntries(data) == row.kept);
    CHECK(count == row.countAfter);
    CHECK(window.messages == row.messages);
    // Once both questions are answered OK, Label5 shows the total whenever
    // there is one.
    const bool confirmed
        = std::ranges::find(row.answers, MessageAnswer::Cancel) == row.answers.end()
          && row.messages.size() >= 2
          && std::vector(row.messages.begin(), row.messages.begin() + 2) == kConfirmed;
    const std::string total = std::to_string(count);
    const std::u16string caption = u"削除データ数 ： " + std::u16string(total.begin(), total.end());
    CHECK(window.captions
          == (confirmed && count > 0 ? std::vector{caption} : std::vector<std::u16string>()));
    CHECK(window.focusCalls == 0);
}

} // namespace testsupport
