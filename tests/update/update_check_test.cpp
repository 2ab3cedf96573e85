#include "base/run_error.hpp"
#include "shell/ini_file.hpp"
#include "shell/version.hpp"
#include "support/fake_clock.hpp"
#include "support/fake_fetch.hpp"
#include "support/recording_frontend.hpp"
#include "support/temp_folder.hpp"
#include "update/scramble.hpp"
#include "update/update_steps.hpp"
#include "update/upgrade.hpp"

#include <gtest/gtest.h>

#include <algorithm>

using namespace pixtrail;
using shell::MessageKind;

namespace {

using Names = std::vector<std::string>;
const std::string kFeed = "http://www.pixtrail.app/pixtrail/index.htm";

// The update check with a recorded frontend and an in-memory web.
class UpdateCheck : public ::testing::Test {
protected:
    pixtrail::testing::TempFolder dir;
    pixtrail::testing::FakeClock clock{{2026, 12, 6, 14, 5, 9}};
    pixtrail::testing::RecordingFrontend frontend;
    pixtrail::testing::FakeFetch web;
    shell::Translator translator;
    update::UpdateContext context{web, kFeed, dir.file("user.ini"), frontend, translator, ""};

    std::vector<std::string> warnings() const { return frontend.texts(MessageKind::Warning); }
    std::string storedDate() {
        const auto plain = update::UnscrambleText(
            shell::readIniValue(dir.file("user.ini"), "Settings", "GUI", ""));
        return plain.value_or("(not a date)");
    }
    void store(const std::string& value) {
        shell::writeIniValue(dir.file("user.ini"), "Settings", "GUI", value);
    }
    int feedRequests() {
        return static_cast<int>(std::count(web.requests.begin(), web.requests.end(), kFeed));
    }
};

} // namespace

TEST_F(UpdateCheck, ADueCheckReadsTheFeedAndStoresTheNextDate) {
    web.responses[kFeed] = "<html>no tags at all</html>";
    update::checkForUpdate(context);
    EXPECT_EQ(feedRequests(), 2);
    EXPECT_EQ(storedDate(), "2026-12-07 14:05:09"); // one day by default
    EXPECT_TRUE(frontend.questions.empty());

    // Not due: nothing is read, not even the withdrawal.
    web.responses[kFeed] = "<lockout>" + shell::windowTitle() + "</lockout>";
    update::checkForUpdate(context);
    EXPECT_EQ(feedRequests(), 2);

    // Due again a day later, with the feed's own number of days.
    clock.set({2026, 12, 7, 14, 5, 10});
    web.responses[kFeed] = "<days>7</days>";
    update::checkForUpdate(context);
    EXPECT_EQ(storedDate(), "2026-12-14 14:05:10");

    // A feed asking for more days than a date can hold waits ten years, not until 1958.
    clock.set({2026, 12, 15, 0, 0, 0});
    web.responses[kFeed] = "<days>99999</days>";
    update::checkForUpdate(context);
    EXPECT_EQ(storedDate().substr(0, 4), "2036");
    store("");

    // A value that is not hex, or forgotten, means a check is due.
    store("XYZ not hex");
    update::checkForUpdate(context);
    EXPECT_EQ(feedRequests(), 8);
    update::clearNextUpdateDate(dir.file("user.ini"));
    EXPECT_EQ(shell::readIniValue(dir.file("user.ini"), "Settings", "GUI", "x"), "");
}

TEST_F(UpdateCheck, TheOfferComesBeforeTheWithdrawal) {
    web.responses[kFeed] = "<version>1.0.99</version><download>http://x.test/p</download>"
                           "<lockout>" +
                           shell::windowTitle() + "</lockout>";
    frontend.answerYes = false;
    EXPECT_THROW(update::checkForUpdate(context), base::ProgramEndRequested);
    EXPECT_EQ(
        frontend.questions,
        Names{"Version 1.0.99 of Pixtrail is now available\r\n\r\nWould you like to upgrade ?"});
    // The offer is a plain box: no question sign.
    EXPECT_EQ(frontend.questionIcons, std::vector{shell::QuestionIcon::None});
    ASSERT_EQ(frontend.messages.size(), 1u);
    EXPECT_EQ(frontend.messages[0].kind, MessageKind::Critical);
    EXPECT_EQ(frontend.messages[0].text, "Sorry - This version of the program has been withdrawn");
    EXPECT_EQ(storedDate(), ""); // ended before storing: checks again next time
}

TEST_F(UpdateCheck, OffersNeedAnotherVersionAndADownload) {
    for (const std::string& feed :
         {"<version>" + shell::versionText() + "</version><download>http://x.test/p</download>",
          "<VERSION>" + shell::versionText() + "</VERSION><download>http://x.test/p</download>",
          std::string("<version>9.9.9</version>"),
          std::string("<version>9.9.9</version><download></download>")}) {
        store("");
        web.responses[kFeed] = feed;
        update::checkForUpdate(context);
    }
    EXPECT_TRUE(frontend.questions.empty());
    for (const std::string& version : {" " + shell::versionText(), std::string("0.0.1")}) {
        store("");
        web.responses[kFeed] =
            "<version>" + version + "</version><download>http://x.test/p</download>";
        update::checkForUpdate(context);
    }
    EXPECT_EQ(frontend.questions.size(), 2u); // a space or an older version is a difference
}

TEST_F(UpdateCheck, AFailedOrUnsignedDownloadWritesAndStartsNothing) {
    pixtrail::testing::TempFolder programs;
    const auto files = update::upgradeFiles(programs.path() / "pixtrail");
    const std::string big(50000, 'x');
    web.responses["http://x.test/small"] = std::string(40001, 'x');
    web.responses["http://x.test/big"] = big;
    frontend.answerYes = true;
    update::downloadUpgrade(context, files, "9.9.9", "http://x.test/small", "c2ln");
    update::downloadUpgrade(context, files, "9.9.9", "http://x.test/big", "");
    update::downloadUpgrade(context, files, "9.9.9", "http://x.test/big",
                            std::string(86, 'A') + "==");
    update::downloadUpgrade(context, files, "9.9.9", "http://x.test/missing", "c2ln");
    EXPECT_EQ(warnings(), Names(4, "Upgrade failed - please try later"));
    EXPECT_FALSE(programs.exists("pixtrail_new"));
    EXPECT_FALSE(programs.exists("pixtrail_new.tmp"));
    EXPECT_EQ(update::upgradeFiles(programs.path() / "Pixtrail_NEW").target(),
              programs.path() / "Pixtrail");
    EXPECT_TRUE(update::upgradeFiles(programs.path() / "Pixtrail_NEW").isNewCopy());
}
