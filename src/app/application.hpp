#pragma once

#include "scrape/endpoints.hpp"
#include "scrape/web_fetch.hpp"
#include "shell/frontend.hpp"
#include "shell/program_paths.hpp"
#include "shell/session.hpp"
#include "shell/user_store.hpp"
#include "sync/pacing.hpp"
#include "sync/run.hpp"

#include <functional>
#include <memory>
#include <string>

// The composition root: the objects that live as long as the program, and the wiring of
// a run, the scrape, the network client and the update.
namespace pixtrail::app {

/// Makes the network client once the endpoints are known (after the command line has
/// chosen the settings file).
using FetchFactory = std::function<std::unique_ptr<scrape::WebFetch>(const scrape::Endpoints&)>;

class Application {
public:
    Application(shell::Frontend& frontend, shell::ProgramPaths paths, FetchFactory fetchFactory);

    shell::Session session;
    shell::ProgramPaths paths; ///< settingsFile may be replaced by the command line
    scrape::Endpoints endpoints;
    /// The release key a downloaded upgrade must be signed with (base64 Ed25519 public key).
    std::string updatePublicKey;
    /// Where the date of the next update check is kept for this user.
    std::unique_ptr<shell::UserStore> userStore;

    /// `getspoilerpics` bound to this program; tests may put their own in its place.
    sync::Scraper getspoilerpics;

    /// The network client, made from the endpoints on first use.
    scrape::WebFetch& fetch();

    /// The Start button.
    sync::RunOutcome cmdSync_Click();

    /// Forgets the date of the next update check (Start pressed with another button or a
    /// modifier).
    void clearNextUpdateDate();

private:
    void checkForUpdate();

    FetchFactory m_fetchFactory;
    std::unique_ptr<scrape::WebFetch> m_fetch;
    sync::RequestPacing m_pacing;
};

} // namespace pixtrail::app
