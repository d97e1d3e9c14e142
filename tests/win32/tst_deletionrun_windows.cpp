#include "deletion/deletionrun.h"
#include "settings/productsettings.h"
#include "settings/settingsclearing.h"
#include "tests/win32/check.h"
#include "tests/win32/support.h"

#include <vector>

using shell::Message;
using shell::MessageAnswer;
using support::exists;

namespace {

const std::u16string kOrvetaSection = support::settingsKey(u"KORVEL", u"Orveta");

// A window that answers every question with OK and keeps what it was shown.
class FakeWindow final : public deletion::DeletionWindow, public settings::ClearingWindow
{
public:
    explicit FakeWindow(std::u16string start = {}, std::u16string end = {})
        : start_(std::move(start))
        , end_(std::move(end))
    {
    }

    std::u16string startPeriodText() const override { return start_; }
    std::u16string endPeriodText() const override { return end_; }
    void setDeletedCountCaption(const std::u16string &caption) override { countCaption = caption; }
    void setFolderCaption(const std::u16string &caption) override { folderCaption = caption; }
    void focusStartPeriod() override { }
    MessageAnswer showMessage(const Message &message) override
    {
        messages.push_back(message);
        return MessageAnswer::Ok;
    }

    std::u16string countCaption;
    std::u16string folderCaption = u"unchanged";
    std::vector<Message> messages;

private:
    std::u16string start_;
    std::u16string end_;
};

// ORVETA installed in a folder of the test's own on drive C:, with its
// folder in the registry and data files for the months given.
class Installation final
{
public:
    explicit Installation(std::initializer_list<int> months)
        : folder_(u"C:\\ORVETA-test-" + support::processNumber())
        , data_(folder_.path() + u"\\data")
    {
        for (const int month : months)
            support::createFile(dataFile(month));
        support::setText(kOrvetaSection, u"Key_Path", folder_.path());
    }

    [[nodiscard]] const std::u16string &path() const { return folder_.path(); }
    [[nodiscard]] std::u16string dataFile(int month) const
    {
        return data_.file(platform::decimalText(month) + u"orveta.mdb");
    }

private:
    support::TemporaryFolder folder_;
    support::TemporaryFolder data_;
};

} // namespace

TEST_CASE(deletesThePresentFilesOfTheRange)
{
    const Installation orveta({200403, 200404, 200405, 200406, 200407});
    std::u16string installPath = settings::readInstallPath();
    CHECK_EQ(installPath, orveta.path());

    FakeWindow window(u"2004年04月度", u"2004年06月度");
    std::int16_t deletedCount = 0;
    deletion::runDeletion(window, installPath, deletedCount);

    for (const int month : {200404, 200405, 200406}) {
        const check::Row row(std::to_string(month));
        CHECK(!exists(orveta.dataFile(month)));
    }
    CHECK(exists(orveta.dataFile(200403)));
    CHECK(exists(orveta.dataFile(200407)));
    CHECK_EQ(deletedCount, 3);
    CHECK_EQ(window.countCaption, u"削除データ数 ： 3");
    // The two confirmations and nothing after them.
    CHECK_EQ(window.messages.size(), 2u);
}

TEST_CASE(readOnlyFileStopsTheRun)
{
    const Installation orveta({200404, 200405, 200406});
    CHECK(support::setReadOnly(orveta.dataFile(200405)));

    FakeWindow window(u"2004年04月度", u"2004年06月度");
    std::int16_t deletedCount = 0;
    deletion::runDeletion(window, orveta.path(), deletedCount);

    CHECK(!exists(orveta.dataFile(200404)));
    CHECK(exists(orveta.dataFile(200405)));
    CHECK(exists(orveta.dataFile(200406)));
    CHECK_EQ(deletedCount, 1);
    CHECK_EQ(window.countCaption, u"削除データ数 ： 1");
    if (!CHECK_EQ(window.messages.size(), 3u))
        return;
    const std::u16string &text = window.messages.back().text;
    const std::u16string expectedStart
        = u"勤務データの削除中にエラーが発生しました。\r" + orveta.dataFile(200405) + u" : ";
    CHECK_EQ(text.substr(0, expectedStart.size()), expectedStart);
    CHECK(text.ends_with(u"\r\r中止します・・・・・"));
    // The system's reason sits between the path and the closing line.
    CHECK(text.size()
          > expectedStart.size() + std::u16string_view(u"\r\r中止します・・・・・").size());
}

TEST_CASE(clearingRemovesBothSettings)
{
    CHECK(support::setText(kOrvetaSection, u"Key_Path", u"C:\\ORVETA"));
    CHECK(support::setText(kOrvetaSection, u"Pass_Wd", u"secret"));
    std::u16string installPath = settings::readInstallPath();
    FakeWindow window;
    settings::clearSettings(window, installPath);

    CHECK(!support::valueExists(kOrvetaSection, u"Key_Path"));
    CHECK(!support::valueExists(kOrvetaSection, u"Pass_Wd"));
    CHECK_EQ(installPath, u"");
    CHECK_EQ(window.folderCaption, u"");
    if (CHECK_EQ(window.messages.size(), 3u))
        CHECK_EQ(window.messages.back().text, u"レジストリ情報を削除しました。");
}
