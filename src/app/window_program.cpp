#include "app/window_program.hpp"

#include "base/ansi_text.hpp"
#include "base/run_error.hpp"
#include "base/text.hpp"
#include "shell/ini_file.hpp"
#include "shell/settings_store.hpp"

#include <string>

namespace pixtrail::app {
namespace {

constexpr std::string_view kWindowSection = "Window";

} // namespace

StartButtonResult runStartButton(Application& app) {
    StartButtonResult result;
    shell::Session& session = app.session;
    const std::string caption = session.caption();
    auto endFailedRun = [&](const std::string& why) {
        session.runActive = false;
        session.dobuttons();
        session.frontend.busyChanged(false);
        session.setCaption(caption);
        session.message(shell::MessageKind::Warning, why);
        result.outcome = sync::RunOutcome::EndedByError;
    };
    try {
        result.outcome = app.cmdSync_Click();
    } catch (const base::ProgramEndRequested& end) {
        result.endCode = end.exitCode();
    } catch (const std::exception& e) {
        endFailedRun(base::utf8ToAnsi(e.what()));
    } catch (...) {
        endFailedRun("Unexpected failure");
    }
    return result;
}

void pressStop(Application& app) {
    if (app.session.runActive)
        app.session.cmdStop_Click();
}

void closeWindow(Application& app, bool runInProgress) {
    app.session.runActive = false;
    if (runInProgress)
        return;
    const std::string& settings = app.paths.settingsFile;
    app.session.warnIfSettingsNotSaved(shell::SaveControlSettings(app.session.window, settings),
                                       settings);
}

std::optional<WindowSize> savedWindowSize(const Application& app) {
    const shell::IniDocument user = shell::IniDocument::load(app.paths.userSettingsFile);
    const double width = base::leadingNumber(user.value(kWindowSection, "width", "0"));
    const double height = base::leadingNumber(user.value(kWindowSection, "height", "0"));
    if (width < 1 || height < 1 || width > 100000 || height > 100000)
        return std::nullopt;
    return WindowSize{static_cast<int>(width), static_cast<int>(height)};
}

void saveWindowSize(const Application& app, WindowSize size) {
    shell::updateIniFile(app.paths.userSettingsFile, [&](shell::IniDocument& user) {
        user.set(kWindowSection, "width", std::to_string(size.width));
        user.set(kWindowSection, "height", std::to_string(size.height));
    });
}

} // namespace pixtrail::app
