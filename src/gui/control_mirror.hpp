#pragma once

#include "shell/window_model.hpp"

#include <QRect>
#include <QString>

#include <string>
#include <string_view>
#include <vector>

class QObject;
class QWidget;

namespace pixtrail::gui {

/// 15 twips make one pixel at 96 dpi; Qt scales these pixels by the screen's device pixel
/// ratio itself.
constexpr int kTwipsPerPixel = 15;

int twipsToPixels(int twips);

/// The Qt widgets of a window model: one per control that shows on screen (timers, the
/// transfer control and the common dialog have none), named after the control
/// ("Label1_3" for element 3 of the Label1 array), and kept equal to snapshots of the
/// control. The window places them in its layouts.
///
/// Two things are not mirrored because they do not live in the model: the lines of the
/// progress list and the progress bar's value both arrive through the Frontend port.
class ControlMirror {
public:
    struct Entry {
        std::string name;
        int index = -1;
        shell::ControlKind kind = shell::ControlKind::Label;
        QWidget* widget = nullptr;
        bool modelEnabled = true; ///< the model's enabled state, kept while locked
    };

    /// Creates the widgets as children of `parent`, in control order, showing the model's
    /// current state.
    ControlMirror(const shell::WindowModel& model, QWidget* parent);

    /// The widget of a control, or nullptr.
    QWidget* widget(std::string_view name, int index = -1) const;
    /// The control a widget stands for, or nullptr.
    const Entry* entryOf(const QObject* widget) const;
    const std::vector<Entry>& entries() const { return m_entries; }

    /// Makes the control's widget show the snapshot. Window's thread only.
    void apply(const shell::Control& snapshot);

    /// Locked, the controls through which the user changes the model (text boxes, check
    /// boxes, buttons other than Stop) take no input, so that a run owns the model
    /// undisturbed; the model's own enabled states are untouched and shown again when the
    /// lock is lifted.
    void setLocked(bool locked);
    bool locked() const { return m_locked; }

    static QString objectName(std::string_view name, int index);

private:
    Entry* find(std::string_view name, int index);
    void showEnabled(Entry& entry) const;

    std::vector<Entry> m_entries;
    bool m_locked = false;
};

} // namespace pixtrail::gui
