#pragma once

#include <string>

// Everything the core asks of a user interface. The CLI implements it on the terminal, the
// GUI marshals it to the window's thread, tests record it. Texts are Windows-1252.
namespace pixtrail::shell {

/// The icon of a message box: a warning, an information, or a stop (critical) sign.
enum class MessageKind { Warning, Information, Critical };

/// A question shows the question sign, or no sign at all (the upgrade offer).
enum class QuestionIcon { Question, None };

class Frontend {
public:
    virtual ~Frontend() = default;

    /// A message box with one OK button, titled with the window caption.
    virtual void showMessage(MessageKind kind, const std::string& title,
                             const std::string& text) = 0;
    /// A question with Yes and No, No the default; true only for Yes.
    virtual bool askYesNo(const std::string& title, const std::string& text, QuestionIcon icon) = 0;

    virtual void progressCleared() = 0;
    virtual void progressLineAdded(int index, const std::string& text) = 0;
    virtual void progressLineChanged(int index, const std::string& text) = 0;
    virtual void progressLineSelected(int index) = 0;
    /// The progress bar, 0 to 100.
    virtual void progressValueChanged(int percent) = 0;
    virtual void captionChanged(const std::string& caption) = 0;
    virtual void busyChanged(bool busy) = 0;
    /// Start shown when the run is not active, Stop shown when it is.
    virtual void runButtonsChanged(bool runActive) = 0;
    /// Lets pending user events act (Stop, closing) between steps of a run.
    virtual void pumpEvents() = 0;
};

} // namespace pixtrail::shell
