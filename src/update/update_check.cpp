#include "base/clock.hpp"
#include "base/process.hpp"
#include "base/run_error.hpp"
#include "base/text.hpp"
#include "shell/debug_log.hpp"
#include "shell/version.hpp"
#include "update/feed.hpp"
#include "update/scramble.hpp"
#include "update/update_steps.hpp"
#include "update/upgrade.hpp"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>

// Whether a newer release exists, and whether this one has been withdrawn.
namespace pixtrail::update {
namespace {

using shell::WriteDebug;

constexpr std::string_view kNextCheck = "GUI";

std::string dateText(const base::LocalTime& t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year % 10000, t.month % 100,
                  t.day % 100, t.hour % 100, t.minute % 100, t.second % 100);
    return buf;
}

std::optional<base::LocalTime> parseDate(const std::string& text) {
    base::LocalTime t;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &t.year, &t.month, &t.day, &t.hour,
                    &t.minute, &t.second, &tail) != 6)
        return std::nullopt;
    if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour > 23 || t.minute > 59 ||
        t.second > 59 || t.year < 1900)
        return std::nullopt;
    return t;
}

// A feed may ask for any number of days; ten years is "never" for a program, and keeps the
// date within what the calendar arithmetic below can hold.
constexpr double kMaxDaysBetweenChecks = 3650;

base::LocalTime addDays(const base::LocalTime& t, double days) {
    days = std::clamp(days, 0.0, kMaxDaysBetweenChecks);
    const int wholeDays = static_cast<int>(days);
    std::tm tm{};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day + wholeDays;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second + static_cast<int>((days - wholeDays) * 86400);
    tm.tm_isdst = -1;
    std::mktime(&tm); // normalises the overflowing seconds into a real date
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

} // namespace

void checkForUpdate(const UpdateContext& context) {
    shell::UserStore& store = context.userStore;
    const auto plain = UnscrambleText(store.read(kNextCheck));
    const auto due = plain ? parseDate(*plain) : std::nullopt;
    const base::LocalTime now = base::clock().localNow();
    if (due) {
        WriteDebug("Next upgrade check due: " + *plain);
        if (dateText(*due) >= dateText(now))
            return;
    }

    WriteDebug("Checking for upgrade.");
    const std::string& feedAddress = context.feedAddress;
    const shell::Translator& translator = context.translator;
    const Feed feed = parseFeed(context.fetch.OpenURL(feedAddress));
    if (feed.version)
        WriteDebug("Latest version is '" + *feed.version + "'");
    if (feed.days)
        WriteDebug("Days between checks = " + *feed.days);
    const double days = daysBetweenChecks(feed);

    if (feed.version && !feed.version->empty() &&
        !base::equalsNoCase(*feed.version, shell::versionText()) && !feed.download.empty()) {
        const std::string available = shell::translateWith(
            translator, "Version %s of Pixtrail is now available", *feed.version);
        if (context.publicKey.empty()) {
            // Built without a release key: nothing downloaded could be trusted, so the
            // user hears of the release and fetches it the way they installed this one.
            WriteDebug("Telling user of an upgrade (no release key: no download)");
            context.frontend.showMessage(
                shell::MessageKind::Information, shell::windowTitle(),
                available + "\r\n\r\n" +
                    shell::translateWith(translator, "It can be found at %s", feed.download));
        } else {
            WriteDebug("Offering user an upgrade");
            const std::string offer =
                available + "\r\n\r\n" + translator.TranslateText("Would you like to upgrade ?");
            if (context.frontend.askYesNo(shell::windowTitle(), offer, shell::QuestionIcon::None))
                downloadUpgrade(context, upgradeFiles(base::executablePath()), *feed.version,
                                feed.download, feed.signature);
        }
    }
    context.frontend.pumpEvents();

    if (isWithdrawn(context.fetch.OpenURL(feedAddress), shell::windowTitle())) {
        WriteDebug("Version withdrawn");
        context.frontend.showMessage(
            shell::MessageKind::Critical, shell::windowTitle(),
            translator.TranslateText("Sorry - This version of the program has been withdrawn"));
        throw base::ProgramEndRequested(1);
    }
    const base::LocalTime next = addDays(now, days);
    WriteDebug("Next upgrade check will be : " + dateText(next));
    store.write(kNextCheck, ScrambleText(dateText(next)));
}

void clearNextUpdateDate(shell::UserStore& userStore) {
    userStore.write(kNextCheck, "");
}

void completePendingUpdate(shell::Frontend& frontend, const shell::Translator& translator) {
    completePendingUpdate(frontend, translator, upgradeFiles(base::executablePath()));
}

} // namespace pixtrail::update
