#include "shell/translation.hpp"

#include "base/ansi_text.hpp"
#include "base/files.hpp"
#include "base/text.hpp"
#include "shell/ini_file.hpp"

namespace pixtrail::shell {
namespace {

constexpr std::string_view kSection = "Pixtrail";

} // namespace

std::string translationKey(std::string_view text) {
    std::string s = base::ansiUpper(text);
    for (std::string_view removed : {" ", "%S", "\"", "'", "?", "-", "=", "."})
        s = base::replaceAllNoCase(s, removed, "");
    const size_t n = s.size();
    const std::string head = n < 4 ? s : s.substr(0, 4);
    const std::string tail = n < 4 ? s : s.substr(n - 4);
    return head + std::to_string(n) + tail;
}

Translator::Translator(std::string languageFile)
    : m_active(base::fileExists(languageFile)), m_languageFile(std::move(languageFile)) {}

std::string Translator::TranslateText(std::string_view text) const {
    if (!m_active)
        return std::string(text);
    const std::string key = translationKey(text);
    std::string value = IniDocument::load(m_languageFile).value(kSection, key, "");
    if (!value.empty())
        return value;

    // Unknown (or empty): record the English text so a translator finds it. A language
    // file that cannot be written (read-only, a folder) still shows the English text.
    updateIniFile(m_languageFile, [&](IniDocument& doc) { doc.set(kSection, key, text); });
    return std::string(text);
}

void Translator::TranslatePage(WindowModel& window) const {
    for (size_t i = 0; i < window.controls().size(); ++i) {
        const Control c = window.controls()[i];
        bool translateCaption = false;
        switch (c.kind) {
        case ControlKind::Label:
            translateCaption = !base::startsWithNoCase(c.caption, "www") && c.visible;
            break;
        case ControlKind::Button:
            translateCaption = !base::startsWithNoCase(c.caption, ".");
            break;
        case ControlKind::CheckBox:
            translateCaption = true;
            break;
        default:
            break;
        }
        if (translateCaption)
            window.setControlCaption(c.name, c.index, TranslateText(c.caption));
        if (hasToolTip(c.kind) && !c.toolTip.empty())
            window.setToolTip(c.name, c.index, TranslateText(c.toolTip));
    }
}

std::string translateWith(const Translator& translator, std::string_view text,
                          std::string_view value) {
    return base::replaceAllNoCase(translator.TranslateText(text), "%s", value);
}

} // namespace pixtrail::shell
