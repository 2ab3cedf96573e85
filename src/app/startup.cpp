#include "app/startup.hpp"

#include "base/files.hpp"
#include "base/text.hpp"
#include "shell/settings_store.hpp"
#include "shell/version.hpp"
#include "update/update_steps.hpp"

#include <filesystem>

namespace pixtrail::app {

using shell::MessageKind;

StartupPlan Form_Load(Application& app, const shell::CommandLine& cmd) {
    shell::Session& s = app.session;
    s.setCaption(shell::windowTitle());
    base::removeLeftoverTemporaries(app.paths.folder);
    s.translator = shell::Translator(app.paths.languageFile);
    update::completePendingUpdate(s.frontend, s.translator);
    if (s.translator.active())
        s.translator.TranslatePage(s.window);

    s.unattended = cmd.unattended;
    if (!cmd.settingsFile.empty())
        app.paths.settingsFile = cmd.settingsFile;

    const std::string& settings = app.paths.settingsFile;
    std::error_code ec;
    if (std::filesystem::exists(base::nativePath(settings), ec)) {
        if (const std::string why = base::whyUnreadable(settings); !why.empty())
            s.message(MessageKind::Warning,
                      s.tr("Cannot read the settings file %s", "'" + settings + "': " + why));
    }
    app.endpoints = scrape::loadEndpoints(settings);
    s.window.setControlCaption("Label2", -1, app.endpoints.homePageHost + "/pixtrail");
    for (const std::string& key : shell::LoadControlSettings(s.window, settings))
        s.message(MessageKind::Warning,
                  s.tr("The value of %s in the settings file holds characters Pixtrail "
                       "cannot use: it is ignored",
                       key));

    for (const shell::SettingOverride& o : cmd.overrides) {
        if (s.window.control(o.control).kind == shell::ControlKind::CheckBox)
            s.window.setValue(o.control, o.value == "1" ? 1 : 0);
        else
            s.window.setText(o.control, o.value);
    }
    s.workers = cmd.workers;
    s.saveSettings = (cmd.overrides.empty() && !cmd.workers) || cmd.save;
    if (cmd.save && cmd.workers)
        s.warnIfSettingsNotSaved(shell::updateIniFile(settings,
                                                      [&](shell::IniDocument& d) {
                                                          d.set("Settings", "workers",
                                                                std::to_string(*cmd.workers));
                                                      }),
                                 settings);

    StartupPlan plan;
    if (!cmd.remaining.empty() || cmd.unattended) {
        plan.runNow = true;
        plan.endAfterRun = cmd.unattended;
        if (cmd.remaining.size() > 4) {
            s.window.setText("txtcmd", base::replaceAll(cmd.remaining, "\"", ""));
            s.window.setVisible("txtcmd", true);
            s.window.setEnabled("cmdWaypointopen", false);
        }
    }
    return plan;
}

} // namespace pixtrail::app
