#include "shell/startup.hpp"

#include "base/files.hpp"
#include "base/text.hpp"
#include "shell/settings_store.hpp"
#include "shell/version.hpp"
#include "update/update_steps.hpp"

#include <filesystem>

namespace pixtrail::shell {

StartupPlan Form_Load(Application& app, const CommandLine& cmd) {
    app.setCaption(windowTitle());
    base::removeLeftoverTemporaries(app.paths.folder);
    app.translator = Translator(app.paths.languageFile);
    update::completePendingUpdate(app);
    if (app.translator.active())
        app.translator.TranslatePage(app.window);

    app.unattended = cmd.unattended;
    if (!cmd.settingsFile.empty())
        app.paths.settingsFile = cmd.settingsFile;

    const std::string& settings = app.paths.settingsFile;
    std::error_code ec;
    if (std::filesystem::exists(base::nativePath(settings), ec)) {
        if (const std::string why = base::whyUnreadable(settings); !why.empty())
            app.message(MessageKind::Warning,
                        app.tr("Cannot read the settings file %s", "'" + settings + "': " + why));
    }
    app.endpoints = scrape::loadEndpoints(settings);
    app.window.setControlCaption("Label2", -1, app.endpoints.homePageHost + "/pixtrail");
    for (const std::string& key : LoadControlSettings(app.window, settings))
        app.message(MessageKind::Warning,
                    app.tr("The value of %s in the settings file holds characters Pixtrail "
                           "cannot use: it is ignored",
                           key));

    StartupPlan plan;
    if (!cmd.remaining.empty() || cmd.unattended) {
        plan.runNow = true;
        plan.endAfterRun = cmd.unattended;
        if (cmd.remaining.size() > 4) {
            app.window.setText("txtcmd", base::replaceAll(cmd.remaining, "\"", ""));
            app.window.setVisible("txtcmd", true);
            app.window.setEnabled("cmdWaypointopen", false);
        }
    }
    return plan;
}

} // namespace pixtrail::shell
