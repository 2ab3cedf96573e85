#include "shell/window_model.hpp"

#include <stdexcept>

namespace pixtrail::shell {

bool hasToolTip(ControlKind kind) {
    return kind != ControlKind::Timer && kind != ControlKind::InternetTransfer &&
           kind != ControlKind::CommonDialog;
}

const Control* WindowModel::find(std::string_view name, int index) const {
    for (const Control& c : m_controls)
        if (c.name == name && c.index == index)
            return &c;
    return nullptr;
}

const Control& WindowModel::control(std::string_view name, int index) const {
    if (const Control* c = find(name, index))
        return *c;
    throw std::out_of_range("no control " + std::string(name));
}

Control& WindowModel::mutableControl(std::string_view name, int index) {
    return const_cast<Control&>(control(name, index));
}

Control& WindowModel::add(Control control) {
    m_controls.push_back(std::move(control));
    return m_controls.back();
}

void WindowModel::notify(const Control& control) {
    if (m_listener)
        m_listener(control);
}

void WindowModel::setText(std::string_view name, std::string text) {
    Control& c = mutableControl(name);
    if (c.text == text)
        return;
    c.text = std::move(text);
    notify(c);
    onChange(c);
}

void WindowModel::setValue(std::string_view name, int value) {
    Control& c = mutableControl(name);
    if (c.value == value)
        return;
    c.value = value;
    notify(c);
    if (c.kind == ControlKind::CheckBox)
        onClick(c);
}

void WindowModel::setControlCaption(std::string_view name, int index, std::string caption) {
    Control& c = mutableControl(name, index);
    c.caption = std::move(caption);
    notify(c);
}

void WindowModel::setToolTip(std::string_view name, int index, std::string toolTip) {
    Control& c = mutableControl(name, index);
    c.toolTip = std::move(toolTip);
    notify(c);
}

void WindowModel::setEnabled(std::string_view name, bool enabled) {
    Control& c = mutableControl(name);
    if (c.enabled == enabled)
        return;
    c.enabled = enabled;
    notify(c);
}

void WindowModel::setVisible(std::string_view name, bool visible) {
    Control& c = mutableControl(name);
    if (c.visible == visible)
        return;
    c.visible = visible;
    notify(c);
}

void WindowModel::setListIndex(std::string_view name, int listIndex) {
    Control& c = mutableControl(name);
    if (c.listIndex == listIndex)
        return;
    c.listIndex = listIndex;
    if (c.kind == ControlKind::ComboBox && listIndex >= 0 &&
        listIndex < static_cast<int>(c.items.size()))
        c.text = c.items[static_cast<size_t>(listIndex)];
    notify(c);
}

bool WindowModel::keyPress(std::string_view name, char typed) {
    return onKeyPress(mutableControl(name), typed);
}

void WindowModel::typeText(std::string_view name, std::string_view typed) {
    for (char ch : typed) {
        if (!keyPress(name, ch))
            continue;
        std::string text = control(name).text;
        if (ch == '\b') {
            if (!text.empty())
                text.pop_back();
        } else {
            text += ch;
        }
        setText(name, std::move(text));
    }
}

} // namespace pixtrail::shell
