#pragma once

#include "shell/window_model.hpp"

#include <string>
#include <string_view>

// Translation of the interface from `language.ini`, section "Pixtrail". A text that has
// no translation yet is written into the file with its English text, so running the
// program once over an empty file yields the complete list ready to translate.
namespace pixtrail::shell {

/// The short key of an English text: upper case, with spaces, "%S", quotes, "?", "-",
/// "=" and "." removed, then the first 4 characters, the length and the last 4.
std::string translationKey(std::string_view text);

class Translator {
public:
    /// Inactive: every text is returned unchanged and no file is touched.
    Translator() = default;

    /// Active exactly when the language file exists as a regular file now; the decision
    /// holds for the life of the translator, as it does for the life of the program.
    explicit Translator(std::string languageFile);

    bool active() const { return m_active; }
    const std::string& languageFile() const { return m_languageFile; }

    /// The translation of `text`, or `text` itself (then written into the file).
    /// A language file in UTF-8 (with a byte-order mark, or whose high bytes form valid
    /// UTF-8) is read as UTF-8 and written back in UTF-8.
    std::string TranslateText(std::string_view text) const;

    /// Translates the captions and tooltips of the window's controls in control order:
    /// labels not starting with "www" and visible, buttons not starting with ".", every
    /// check box; every non-empty tooltip.
    void TranslatePage(WindowModel& window) const;

private:
    bool m_active = false;
    std::string m_languageFile;
};

/// `TranslateText` of `text` with every "%s" (any case) replaced by `value` afterwards.
std::string translateWith(const Translator& translator, std::string_view text,
                          std::string_view value);

} // namespace pixtrail::shell
