#include "gui/main_window.hpp"

#include "gui/dialogs.hpp"
#include "gui/text_edge.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QUrl>

#include <algorithm>

namespace pixtrail::gui {
namespace {

using shell::ControlKind;

// The client area of the window in twips.
constexpr int kClientWidth = 6495;
constexpr int kClientHeight = 7695;

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

// Keys that move the cursor or the focus type nothing, even where the platform gives
// them a character (Delete arrives as DEL on X11).
bool typesCharacter(const QKeyEvent& key) {
    return !key.text().isEmpty() && key.key() != Qt::Key_Delete && key.key() != Qt::Key_Tab &&
           key.key() != Qt::Key_Backtab;
}

} // namespace

MainWindow::MainWindow(shell::MainWindowModel& model, QWidget* parent)
    : QWidget(parent), m_model(model), m_mirror(model, this) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(toQt(model.caption()));
    setFixedSize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight));
    // The arrangement is measured for an 8-point font: larger text would not fit its boxes.
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    connectControls();
    orderTabs();
}

MainWindow::~MainWindow() {
    setBusy(false);
}

void MainWindow::connectControls() {
    for (const ControlMirror::Entry& e : m_mirror.entries()) {
        const std::string name = e.name;
        switch (e.kind) {
        case ControlKind::TextBox: {
            auto* edit = static_cast<QLineEdit*>(e.widget);
            edit->installEventFilter(this);
            connect(edit, &QLineEdit::textEdited, this,
                    [this, name](const QString& text) { userEditedText(name, text); });
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

// Tab moves through the controls as they read, row by row.
void MainWindow::orderTabs() {
    std::vector<QWidget*> widgets;
    for (const ControlMirror::Entry& e : m_mirror.entries())
        if (e.widget->focusPolicy() & Qt::TabFocus)
            widgets.push_back(e.widget);
    std::stable_sort(widgets.begin(), widgets.end(), [](QWidget* a, QWidget* b) {
        return std::pair(a->y(), a->x()) < std::pair(b->y(), b->x());
    });
    for (size_t i = 1; i < widgets.size(); ++i)
        setTabOrder(widgets[i - 1], widgets[i]);
}

void MainWindow::setRunOwnsModel(bool owned) {
    m_mirror.setLocked(owned);
}

void MainWindow::showCentred() {
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
    if (!runOwnsModel())
        setModelText(name, text);
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
        showMessageBox(this, shell::MessageKind::Warning, windowTitle(),
                       QStringLiteral("Pixtrail cannot use this path, because it contains "
                                      "characters outside the Western European character "
                                      "set:\n") +
                           path);
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
