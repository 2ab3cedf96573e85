#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// A window's controls as data, free of any GUI toolkit. The settings store, translation
// and the interlocks work on this model, so they are tested without a display; the Qt
// window only mirrors it.
namespace pixtrail::shell {

enum class ControlKind {
    TextBox,
    CheckBox,
    Button,
    Label,
    ListBox,
    ComboBox,
    ProgressBar,
    Timer,
    InternetTransfer,
    CommonDialog,
    PictureBox,
};

/// Kinds that carry a tooltip (timers, the transfer control and the dialog have none).
bool hasToolTip(ControlKind kind);

/// Place and size in twips (1440 to the inch; 15 twips are one pixel at 96 dpi).
struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

struct Control {
    std::string name;
    int index = -1; ///< index inside a control array, -1 for a lone control
    ControlKind kind = ControlKind::Label;
    std::string caption;
    std::string toolTip;
    std::string tag;
    std::string text; ///< text boxes and combo boxes
    int value = 0;    ///< check boxes: 0 clear, 1 ticked, 2 greyed; progress bar: 0..100
    bool enabled = true;
    bool visible = true;
    bool multiLine = false;
    std::vector<std::string> items; ///< list and combo box entries
    int listIndex = -1;             ///< selected entry, -1 for none
    Rect rect;
};

/// The controls of one window in control order, with the change handling a window gives
/// them: every change made through the setters raises the same handling as a user edit.
class WindowModel {
public:
    using Listener = std::function<void(const Control&)>;

    virtual ~WindowModel() = default;

    const std::vector<Control>& controls() const { return m_controls; }
    std::vector<Control>& controls() { return m_controls; }

    /// The control with that name (and array index), or nullptr.
    const Control* find(std::string_view name, int index = -1) const;

    /// The control with that name; throws std::out_of_range when there is none.
    const Control& control(std::string_view name, int index = -1) const;

    const std::string& caption() const { return m_caption; }
    void setCaption(std::string caption) { m_caption = std::move(caption); }

    /// Sets a text box's or combo box's text; raises the control's change handling when
    /// the text changes.
    void setText(std::string_view name, std::string text);
    /// Sets a check box's value; raises its click handling when the value changes.
    void setValue(std::string_view name, int value);
    void setControlCaption(std::string_view name, int index, std::string caption);
    void setToolTip(std::string_view name, int index, std::string toolTip);
    void setEnabled(std::string_view name, bool enabled);
    void setVisible(std::string_view name, bool visible);
    void setListIndex(std::string_view name, int listIndex);

    /// A typed character: true when the control keeps it, false when its input filter
    /// discards it. Text pasted without typing is not filtered, as in any window.
    bool keyPress(std::string_view name, char typed);

    /// Types characters one by one at the end of the text, as a user would: each passes
    /// the input filter, backspace (8) removes the last character.
    void typeText(std::string_view name, std::string_view typed);

    /// Called after every change of a control's state (the GUI mirrors it from here).
    void setListener(Listener listener) { m_listener = std::move(listener); }

protected:
    Control& add(Control control);
    Control& mutableControl(std::string_view name, int index = -1);

    virtual void onChange(Control&) {}
    virtual void onClick(Control&) {}
    virtual bool onKeyPress(Control&, char) { return true; }

private:
    void notify(const Control& control);

    std::vector<Control> m_controls;
    std::string m_caption;
    Listener m_listener;
};

} // namespace pixtrail::shell
