#include "gui/control_mirror.hpp"

#include "gui/text_edge.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>

namespace pixtrail::gui {
namespace {

using shell::ControlKind;

QWidget* createWidget(const shell::Control& c, QWidget* parent) {
    switch (c.kind) {
    case ControlKind::TextBox:
        return new QLineEdit(parent);
    case ControlKind::CheckBox:
        return new QCheckBox(parent);
    case ControlKind::Button:
        return new QPushButton(parent);
    case ControlKind::Label:
    case ControlKind::PictureBox: {
        auto* label = new QLabel(parent);
        // Captions come from the language file: never let one be taken for markup.
        label->setTextFormat(Qt::PlainText);
        return label;
    }
    case ControlKind::ListBox:
        return new QListWidget(parent);
    case ControlKind::ComboBox:
        return new QComboBox(parent);
    case ControlKind::ProgressBar: {
        auto* bar = new QProgressBar(parent);
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setTextVisible(false);
        return bar;
    }
    case ControlKind::Timer:
    case ControlKind::InternetTransfer:
    case ControlKind::CommonDialog:
        break;
    }
    return nullptr;
}

bool takesUserEdits(const ControlMirror::Entry& e) {
    switch (e.kind) {
    case ControlKind::TextBox:
    case ControlKind::CheckBox:
    case ControlKind::ComboBox:
        return true;
    case ControlKind::Button:
        return e.name != "cmdStop"; // the one control a run needs from the user
    default:
        return false;
    }
}

Qt::CheckState checkState(int value) {
    if (value == 0)
        return Qt::Unchecked;
    return value == 1 ? Qt::Checked : Qt::PartiallyChecked;
}

} // namespace

int twipsToPixels(int twips) {
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

QString ControlMirror::objectName(std::string_view name, int index) {
    QString objectName = QString::fromStdString(std::string(name));
    if (index >= 0)
        objectName += QLatin1Char('_') + QString::number(index);
    return objectName;
}

ControlMirror::ControlMirror(const shell::WindowModel& model, QWidget* parent) {
    for (const shell::Control& c : model.controls()) {
        QWidget* w = createWidget(c, parent);
        if (!w)
            continue;
        w->setObjectName(objectName(c.name, c.index));
        m_entries.push_back({c.name, c.index, c.kind, w, c.enabled});
    }
    for (const shell::Control& c : model.controls())
        apply(c);
}

ControlMirror::Entry* ControlMirror::find(std::string_view name, int index) {
    const auto it = std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry& e) {
        return e.name == name && e.index == index;
    });
    return it == m_entries.end() ? nullptr : &*it;
}

QWidget* ControlMirror::widget(std::string_view name, int index) const {
    const Entry* e = const_cast<ControlMirror*>(this)->find(name, index);
    return e ? e->widget : nullptr;
}

const ControlMirror::Entry* ControlMirror::entryOf(const QObject* widget) const {
    const auto it = std::find_if(m_entries.begin(), m_entries.end(),
                                 [&](const Entry& e) { return e.widget == widget; });
    return it == m_entries.end() ? nullptr : &*it;
}

void ControlMirror::showEnabled(Entry& e) const {
    e.widget->setEnabled(e.modelEnabled && !(m_locked && takesUserEdits(e)));
}

void ControlMirror::setLocked(bool locked) {
    m_locked = locked;
    for (Entry& e : m_entries)
        showEnabled(e);
}

void ControlMirror::apply(const shell::Control& c) {
    Entry* e = find(c.name, c.index);
    if (!e)
        return;
    QWidget* w = e->widget;
    // The widget only shows the model here; it must not report this as a user edit.
    const QSignalBlocker blocker(w);
    if (shell::hasToolTip(c.kind))
        w->setToolTip(toQt(c.toolTip));
    switch (c.kind) {
    case ControlKind::TextBox: {
        auto* edit = static_cast<QLineEdit*>(w);
        const QString text = toQt(c.text);
        if (edit->text() != text) // keeps the cursor where the user is typing
            edit->setText(text);
        break;
    }
    case ControlKind::CheckBox: {
        auto* box = static_cast<QCheckBox*>(w);
        box->setText(toQt(c.caption));
        // Only a stored value of 2 greys the box; a click then ticks it, as a click on
        // any box toggles between clear and ticked.
        box->setTristate(c.value == 2);
        box->setCheckState(checkState(c.value));
        break;
    }
    case ControlKind::Button: {
        QString caption = toQt(c.caption);
        // Start and Stop answer Alt and their first letter, in any language.
        if (c.name == "cmdSync" || c.name == "cmdStop")
            caption = QLatin1Char('&') + caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        static_cast<QPushButton*>(w)->setText(caption);
        break;
    }
    case ControlKind::Label:
        static_cast<QLabel*>(w)->setText(toQt(c.caption));
        break;
    case ControlKind::ComboBox: {
        auto* combo = static_cast<QComboBox*>(w);
        combo->clear();
        for (const std::string& item : c.items)
            combo->addItem(toQt(item));
        combo->setCurrentIndex(c.listIndex);
        break;
    }
    default:
        break;
    }
    e->modelEnabled = c.enabled;
    showEnabled(*e);
    w->setHidden(!c.visible);
}

} // namespace pixtrail::gui
