#include "gui/command_line.hpp"

#include "gui/text_edge.hpp"

namespace pixtrail::gui {

std::optional<std::string> commandLineText(const QStringList& arguments, QString* refused) {
    std::string text;
    for (const QString& arg : arguments) {
        if (!fitsCodePage(arg)) {
            if (refused)
                *refused = arg;
            return std::nullopt;
        }
        if (!text.empty())
            text += ' ';
        text += fromQt(arg);
    }
    return text;
}

} // namespace pixtrail::gui
