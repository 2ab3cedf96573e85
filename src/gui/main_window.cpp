#include "gui/main_window.hpp"

#include "gui/dialogs.hpp"
#include "gui/text_edge.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QShortcut>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace pixtrail::gui {
namespace {

using shell::ControlKind;

// The designed client area and sizes, in twips.
constexpr int kClientWidth = 6495;
constexpr int kClientHeight = 7695;
constexpr int kLeft = 120;
constexpr int kNumberBoxWidth = 495;
constexpr int kBrowseButtonWidth = 375;
constexpr int kRunButtonWidth = 1455;
constexpr int kProgressListHeight = 1860;

int valueOf(Qt::CheckState state) {
    switch (state) {
    case Qt::Unchecked:
        return 0;
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    }
    return 0;
}

// Keys that move the cursor or the focus, or act on the window, type nothing, even where
// the platform gives them a character (Delete arrives as DEL on X11, Enter as CR).
bool typesCharacter(const QKeyEvent& key) {
    switch (key.key()) {
    case Qt::Key_Delete:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        return false;
    default:
        return !key.text().isEmpty();
    }
}

} // namespace

MainWindow::MainWindow(shell::MainWindowModel& model, QWidget* parent)
    : QWidget(parent), m_model(model), m_mirror(model, this),
      m_designed(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight)) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(toQt(model.caption()));
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { focusMoved(now); });
    arrange();
    connectControls();
    orderTabs();
    resize(minimumSize());
}

MainWindow::~MainWindow() {
    setBusy(false);
}

void MainWindow::connectControls() {
    // Escape during a run presses Stop.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] {
        auto* stop = static_cast<QPushButton*>(m_mirror.widget("cmdStop"));
        if (stop->isVisible() && stop->isEnabled())
            stop->click();
    });
    for (const ControlMirror::Entry& e : m_mirror.entries()) {
        const std::string name = e.name;
        switch (e.kind) {
        case ControlKind::TextBox: {
            auto* edit = static_cast<QLineEdit*>(e.widget);
            edit->installEventFilter(this);
            connect(edit, &QLineEdit::textEdited, this,
                    [this, name](const QString& text) { userEditedText(name, text); });
            // Enter in a field presses Start, the window's default button.
            connect(edit, &QLineEdit::returnPressed, this, [this] {
                const QWidget* start = m_mirror.widget("cmdSync");
                if (start->isVisible() && start->isEnabled())
                    emit startClicked();
            });
            break;
        }
        case ControlKind::CheckBox: {
            auto* box = static_cast<QCheckBox*>(e.widget);
            connect(box, &QCheckBox::clicked, this,
                    [this, name, box] { userClickedBox(name, box->checkState()); });
            break;
        }
        case ControlKind::Button: {
            auto* button = static_cast<QPushButton*>(e.widget);
            button->setAutoDefault(false);
            if (name == "cmdSync") {
                button->installEventFilter(this);
                button->setDefault(true);
                connect(button, &QPushButton::clicked, this, &MainWindow::startClicked);
            } else if (name == "cmdStop") {
                connect(button, &QPushButton::clicked, this, &MainWindow::stopClicked);
            } else if (name == "cmdWaypointopen") {
                connect(button, &QPushButton::clicked, this, &MainWindow::browseWaypointFile);
            } else if (name == "cmdSpoileropen") {
                connect(button, &QPushButton::clicked, this, &MainWindow::browseSpoilerFolder);
            }
            break;
        }
        case ControlKind::Label:
            if (name == "Label2") {
                auto* link = static_cast<QLabel*>(e.widget);
                QFont font = link->font();
                font.setUnderline(true);
                link->setFont(font);
                QPalette palette = link->palette();
                palette.setColor(QPalette::WindowText, Qt::blue);
                link->setPalette(palette);
                link->setCursor(Qt::PointingHandCursor);
                link->installEventFilter(this);
            }
            break;
        case ControlKind::ListBox:
            static_cast<QListWidget*>(e.widget)->setSelectionMode(
                QAbstractItemView::SingleSelection);
            break;
        default:
            break;
        }
    }
}

// The rows of the designed arrangement, laid out so that every caption shows whole in any
// language and font: the designed size is the smallest the window gets, a longer caption
// widens it, and a larger window gives its extra room to the progress list.
void MainWindow::arrange() {
    auto w = [this](const char* name, int index = -1) { return m_mirror.widget(name, index); };
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(twipsToPixels(kLeft), twipsToPixels(kLeft), twipsToPixels(kLeft),
                               twipsToPixels(kLeft));
    column->setSpacing(4);
    QGridLayout* fields = nullptr;
    for (const shell::LayoutRow& row : shell::mainWindowArrangement()) {
        auto* line = new QHBoxLayout;
        line->setSpacing(row.fieldRow ? 0 : 6);
        std::vector<QWidget*> columns; // a field row: caption, field (with its overlay), button
        for (const shell::LayoutCell& cell : row.cells) {
            QWidget* widget = cell.name.empty() ? nullptr : m_mirror.widget(cell.name, cell.index);
            if (!widget) {
                line->addStretch(1);
            } else if (row.fieldRow && !cell.fills && !cell.overlaid) {
                columns.push_back(widget);
            } else {
                line->addWidget(widget);
            }
            if (row.fieldRow && cell.fills && !cell.overlaid)
                columns.push_back(nullptr); // the field's place, filled by `line`
        }
        if (row.fieldRow) {
            if (!fields) {
                fields = new QGridLayout;
                fields->setHorizontalSpacing(6);
                fields->setColumnStretch(1, 1);
                column->addLayout(fields);
            }
            const int r = fields->rowCount();
            for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
                if (columns[c])
                    fields->addWidget(columns[c], r, c);
                else
                    fields->addLayout(line, r, c);
            }
        } else if (row.cells.size() == 1 && !row.cells.front().name.empty()) {
            delete line;
            column->addWidget(w(row.cells.front().name.c_str(), row.cells.front().index),
                              row.grows ? 1 : 0);
        } else {
            column->addLayout(line);
        }
    }

    // Boxes for four digits, and buttons no smaller than designed, in any font.
    const QFontMetrics metrics(font());
    const int digits = std::max(twipsToPixels(kNumberBoxWidth),
                                metrics.horizontalAdvance(QStringLiteral("00000")) + 8);
    for (const char* name : {"txtHeight", "txtWidth", "txtDelay"})
        w(name)->setFixedWidth(digits);
    for (const char* name : {"cmdWaypointopen", "cmdSpoileropen"})
        w(name)->setFixedWidth(std::max(twipsToPixels(kBrowseButtonWidth),
                                        metrics.horizontalAdvance(QStringLiteral("...")) + 12));
    for (const char* name : {"cmdSync", "cmdStop"})
        w(name)->setMinimumWidth(twipsToPixels(kRunButtonWidth));
    w("lstProgress")->setMinimumHeight(twipsToPixels(kProgressListHeight) / 2);
    updateMinimumSize();
}

void MainWindow::updateMinimumSize() {
    if (layout())
        setMinimumSize(m_designed.expandedTo(layout()->totalMinimumSize()));
}

// Tab moves through the controls as they read, row by row.
void MainWindow::orderTabs() {
    std::vector<const ControlMirror::Entry*> entries;
    for (const ControlMirror::Entry& e : m_mirror.entries())
        if (e.widget->focusPolicy() & Qt::TabFocus)
            entries.push_back(&e);
    auto place = [this](const ControlMirror::Entry* e) {
        const shell::Rect& r = m_model.control(e->name, e->index).rect;
        return std::pair(r.top, r.left);
    };
    std::stable_sort(entries.begin(), entries.end(),
                     [&](const auto* a, const auto* b) { return place(a) < place(b); });
    for (size_t i = 1; i < entries.size(); ++i)
        setTabOrder(entries[i - 1]->widget, entries[i]->widget);
}

void MainWindow::setRunOwnsModel(bool owned) {
    {
        // Locking disables Start, and Qt passes the keyboard on to another control.
        const QScopedValueRollback<bool> moving(m_movingFocus, true);
        m_mirror.setLocked(owned);
    }
    focusRunButton();
}

// Start and Stop take turns in one place: the keyboard stays with whichever shows, when the
// user last left it on one of them (a message box in between does not count).
void MainWindow::focusRunButton() {
    if (!m_keyboardOnRunButton)
        return;
    for (const char* name : {"cmdSync", "cmdStop"}) {
        QWidget* button = m_mirror.widget(name);
        if (button->isVisible() && button->isEnabled() && !button->hasFocus()) {
            const QScopedValueRollback<bool> moving(m_movingFocus, true);
            button->setFocus(Qt::OtherFocusReason);
        }
    }
}

void MainWindow::focusMoved(QWidget* now) {
    if (m_movingFocus || !now || now->window() != this)
        return;
    m_keyboardOnRunButton = now == m_mirror.widget("cmdSync") || now == m_mirror.widget("cmdStop");
}

void MainWindow::showCentred(QSize size) {
    updateMinimumSize();
    resize(size.expandedTo(minimumSize()));
    // Before showing, only the client area is known; the frame, once there, is centred too.
    auto centre = [this] {
        if (const QScreen* s = screen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(s->availableGeometry().center());
            move(frame.topLeft());
        }
    };
    centre();
    show();
    centre();
}

void MainWindow::showControl(const shell::Control& snapshot) {
    const bool runButton = snapshot.name == "cmdSync" || snapshot.name == "cmdStop";
    {
        const QScopedValueRollback<bool> moving(m_movingFocus, runButton);
        m_mirror.apply(snapshot);
    }
    if (runButton)
        focusRunButton();
    if (!snapshot.caption.empty())
        updateMinimumSize();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    const ControlMirror::Entry* entry = m_mirror.entryOf(watched);
    if (!entry)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress:
        if (entry->kind == ControlKind::TextBox)
            return filterTyping(*entry, static_cast<QKeyEvent*>(event));
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (entry->name == "cmdSync" && entry->widget->isEnabled()) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            emit startPressed(mouse->button(), mouse->modifiers());
        }
        break;
    case QEvent::MouseButtonRelease:
        if (entry->name == "Label2" && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            openHomePage();
        break;
    default:
        break;
    }
    return false;
}

// A typed character reaches the text box only when the model's input filter keeps it.
// Shortcuts that arrive as control characters (Ctrl+V is 22) are typed characters too.
bool MainWindow::filterTyping(const ControlMirror::Entry& entry, QKeyEvent* key) {
    if (!entry.widget->isEnabled() || runOwnsModel() || !typesCharacter(*key))
        return false;
    const std::string typed = fromQt(key->text().left(1));
    return !m_model.keyPress(entry.name, typed.empty() ? '?' : typed.front());
}

void MainWindow::userEditedText(const std::string& name, const QString& text) {
    if (runOwnsModel())
        return;
    if (!fitsCodePage(text)) {
        // It would reach the run as other text (with '?' in it): a path to another file.
        m_mirror.apply(m_model.control(name));
        refuseText(name, text);
        return;
    }
    setModelText(name, text);
}

// The warning for a path or word the code page cannot hold, naming the field by the caption
// the user sees beside it.
void MainWindow::refuseText(const std::string& name, const QString& text) {
    showMessageBox(this, shell::MessageKind::Warning, windowTitle(),
                   toQt(shell::refusedTextWarning(m_model, name)) + text);
}

void MainWindow::userClickedBox(const std::string& name, Qt::CheckState state) {
    if (runOwnsModel())
        return;
    m_model.setValue(name, valueOf(state));
    m_mirror.apply(m_model.control(name));
}

// The box shows what the model holds afterwards: cut to 4 characters, or with '?' for a
// character the settings file could not store.
void MainWindow::setModelText(const std::string& name, const QString& text) {
    m_model.setText(name, fromQt(text));
    m_mirror.apply(m_model.control(name));
}

void MainWindow::browseWaypointFile() {
    if (runOwnsModel())
        return;
    const QString chosen = chooseWaypointFile(this, toQt(m_model.control("txtWpFile").text));
    takeChosenPath("txtWpFile", chosen);
}

void MainWindow::browseSpoilerFolder() {
    if (runOwnsModel())
        return;
    // The picker's title stays English: it is not one of the translated texts.
    const QString chosen = chooseFolder(this, QStringLiteral("Spoiler folder"),
                                        toQt(m_model.control("txtSpoilerFolder").text));
    takeChosenPath("txtSpoilerFolder", chosen);
}

// A path with a character the code page lacks would reach the run as another path (with
// '?' in it), so it is refused rather than put into the box.
void MainWindow::takeChosenPath(const std::string& name, const QString& chosen) {
    if (chosen.isEmpty() || runOwnsModel())
        return;
    const QString path = QDir::toNativeSeparators(chosen);
    if (!fitsCodePage(path)) {
        refuseText(name, path);
        return;
    }
    setModelText(name, path);
}

void MainWindow::openHomePage() {
    const auto* link = static_cast<QLabel*>(m_mirror.widget("Label2"));
    QDesktopServices::openUrl(QUrl(QStringLiteral("http://") + link->text()));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    emit closeRequested();
    event->accept();
}

void MainWindow::clearProgress() {
    static_cast<QListWidget*>(m_mirror.widget("lstProgress"))->clear();
}

void MainWindow::setProgressLine(int index, const QString& text) {
    auto* list = static_cast<QListWidget*>(m_mirror.widget("lstProgress"));
    if (index < 0)
        return;
    while (list->count() <= index)
        list->addItem(QString());
    list->item(index)->setText(text);
}

void MainWindow::selectProgressLine(int index) {
    auto* list = static_cast<QListWidget*>(m_mirror.widget("lstProgress"));
    if (index < 0) {
        list->clearSelection();
        return;
    }
    while (list->count() <= index)
        list->addItem(QString());
    list->setCurrentRow(index);
    list->scrollToItem(list->item(index));
}

void MainWindow::setProgressValue(int percent) {
    static_cast<QProgressBar*>(m_mirror.widget("ProgressBar1"))
        ->setValue(std::clamp(percent, 0, 100));
}

void MainWindow::setBusy(bool busy) {
    if (busy == m_busy)
        return;
    m_busy = busy;
    // The busy arrow, not the hourglass: the window still takes Stop and the close box.
    if (busy)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QApplication::restoreOverrideCursor();
}

} // namespace pixtrail::gui
