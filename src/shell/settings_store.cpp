#include "shell/settings_store.hpp"

#include "base/text.hpp"
#include "shell/ini_file.hpp"

namespace pixtrail::shell {
namespace {

constexpr size_t kTagFields = 9;

// The flag field asks for an encoding step on write and a decoding step on read. No
// setting needs one today; the steps stay so that a tag carrying the flag keeps working.
std::string encodeValue(std::string value) {
    return value;
}
std::string decodeValue(std::string value) {
    return value;
}

// A hand-edited file may hold anything; a check box only knows clear, ticked and greyed.
int checkBoxValue(std::string_view text) {
    const double number = base::leadingNumber(text);
    if (number > 2.5)
        return 1;
    if (number < 0)
        return 0;
    return static_cast<int>(base::roundHalfEven(number));
}

} // namespace

std::vector<std::string> LoadControlSettings(WindowModel& window, std::string_view settingsFile) {
    std::vector<std::string> unusable;
    const IniDocument settings = IniDocument::load(settingsFile);
    // Index-based: the change handling of one control may touch others.
    for (size_t i = 0; i < window.controls().size(); ++i) {
        const Control snapshot = window.controls()[i];
        if (snapshot.tag.empty())
            continue;
        const auto fields = base::splitLimited(snapshot.tag + "!!!!", '!', kTagFields);
        if (!base::equalsNoCase(fields[0], "Reg"))
            continue;
        bool spelled = true;
        std::string value = settings.value(fields[1], fields[2], fields[4], &spelled);
        if (!spelled) {
            unusable.push_back(fields[2]);
            value = fields[4];
        }
        if (!fields[3].empty())
            value = decodeValue(std::move(value));

        switch (snapshot.kind) {
        case ControlKind::TextBox:
            if (snapshot.multiLine)
                value = base::replaceAllNoCase(value, std::string(1, kStoredLineBreak), "\r\n");
            window.setText(snapshot.name, std::move(value));
            break;
        case ControlKind::CheckBox:
            window.setValue(snapshot.name, checkBoxValue(value));
            break;
        case ControlKind::ComboBox:
            for (size_t k = 0; k < snapshot.items.size(); ++k) {
                if (base::equalsNoCase(snapshot.items[k], value)) {
                    window.setListIndex(snapshot.name, static_cast<int>(k));
                    break;
                }
            }
            break;
        default:
            break;
        }
    }
    return unusable;
}

IniWriteResult SaveControlSettings(const WindowModel& window, std::string_view settingsFile) {
    return updateIniFile(settingsFile, [&](IniDocument& settings) {
        for (const Control& c : window.controls()) {
            const auto fields = base::splitLimited(c.tag + "!!!!!", '!', kTagFields);
            if (!base::equalsNoCase(fields[0], "Reg"))
                continue;
            std::string value;
            if (c.kind == ControlKind::CheckBox)
                value = std::to_string(c.value);
            else if (c.kind == ControlKind::TextBox && c.multiLine)
                value = base::replaceAllNoCase(c.text, "\r\n", std::string(1, kStoredLineBreak));
            else
                value = c.text;
            if (!fields[3].empty())
                value = encodeValue(std::move(value));
            bool spelled = true;
            settings.get(fields[1], fields[2], &spelled);
            if (!spelled && value == fields[4])
                continue; // the user's value, which this program cannot spell, stays
            settings.set(fields[1], fields[2], value);
        }
    });
}

} // namespace pixtrail::shell
