#include "shell/startup.hpp"

#include "base/files.hpp"
#include "base/text.hpp"
#include "shell/settings_store.hpp"
#include "shell/version.hpp"
#include "update/update_steps.hpp"

namespace pixtrail::shell {

CommandLine parseCommandLine(std::string_view text) {
    CommandLine result;
    std::string rest(text);
    for (size_t pos = base::findNoCase(rest, "-a"); pos != std::string::npos;
         pos = base::findNoCase(rest, "-a", pos)) {
        const bool wordStart = pos == 0 || rest[pos - 1] == ' ';
        const bool wordEnd = pos + 2 == rest.size() || rest[pos + 2] == ' ';
        if (wordStart && wordEnd) {
            result.unattended = true;
            rest.erase(pos, 2);
        } else {
            pos += 2;
        }
    }
    rest = base::trimSpaces(rest);
    if (base::containsNoCase(rest, ".ini")) {
        result.settingsFile = base::replaceAll(rest, "\"", "");
        rest.clear();
    }
    result.remaining = rest;
    return result;
}

StartupPlan Form_Load(Application& app, std::string_view commandLine) {
    app.setCaption(windowTitle());
    base::removeLeftoverTemporaries(app.paths.folder);
    app.translator = Translator(app.paths.languageFile);
    update::completePendingUpdate(app);
    if (app.translator.active())
        app.translator.TranslatePage(app.window);

    const CommandLine cmd = parseCommandLine(commandLine);
    app.unattended = cmd.unattended;
    if (!cmd.settingsFile.empty())
        app.paths.settingsFile = cmd.settingsFile;

    app.endpoints = scrape::loadEndpoints(app.paths.settingsFile);
    app.window.setControlCaption("Label2", -1, app.endpoints.homePageHost + "/pixtrail");
    LoadControlSettings(app.window, app.paths.settingsFile);

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
