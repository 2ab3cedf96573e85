#pragma once

#include "scrape/web_fetch.hpp"
#include "shell/frontend.hpp"
#include "shell/translation.hpp"
#include "shell/user_store.hpp"

#include <string>

// The self-update's places in start-up and in the run.
namespace pixtrail::update {

/// What the update check works with.
struct UpdateContext {
    scrape::WebFetch& fetch;
    std::string feedAddress;
    /// The per-user store that keeps the date of the next check.
    shell::UserStore& userStore;
    shell::Frontend& frontend;
    const shell::Translator& translator;
    /// The release key a downloaded upgrade must be signed with (base64 Ed25519).
    std::string publicKey;
};

/// Start-up: finishes a pending self-update (may end the program).
void completePendingUpdate(shell::Frontend& frontend, const shell::Translator& translator);
/// Inside a run: reads the update feed when the next check is due (may end the program).
void checkForUpdate(const UpdateContext& context);
/// Forgets the date of the next update check, so the next run reads the feed.
void clearNextUpdateDate(shell::UserStore& userStore);

} // namespace pixtrail::update
