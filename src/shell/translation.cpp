#include "shell/translation.hpp"

#include "base/ansi_text.hpp"
#include "base/files.hpp"
#include "base/run_error.hpp"
#include "base/text.hpp"
#include "shell/ini_file.hpp"

namespace pixtrail::shell {
namespace {

constexpr std::string_view kSection = "Pixtrail";

bool looksLikeUtf8(const IniDocument& doc, std::string_view content) {
    if (doc.hasByteOrderMark())
        return true;
    bool highBytes = false;
    for (char c : content)
        if (static_cast<unsigned char>(c) >= 0x80) {
            highBytes = true;
            break;
        }
    return highBytes && base::isValidUtf8(content);
}

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
    const auto read = base::readFile(m_languageFile);
    const std::string content = read.value_or(std::string());
    IniDocument doc = IniDocument::parse(content);
    const bool utf8 = looksLikeUtf8(doc, content);

    std::string value = doc.get(kSection, utf8 ? base::ansiToUtf8(key) : key).value_or("");
    if (utf8)
        value = base::utf8ToAnsi(value);
    if (value.size() > kMaxIniValueLength)
        value.resize(kMaxIniValueLength);
    if (!value.empty())
        return value;

    if (!read && base::directoryExists(m_languageFile))
        return std::string(text);
    // Unknown (or empty): record the English text so a translator finds it.
    doc.set(kSection, utf8 ? base::ansiToUtf8(key) : key,
            utf8 ? base::ansiToUtf8(text) : std::string(text));
    try {
        base::writeFileAtomically(m_languageFile, doc.serialize());
    } catch (const base::RunError&) {
        // A read-only language file still shows the English text.
    }
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
