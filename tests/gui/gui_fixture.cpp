#include "gui_fixture.hpp"

#include <QImage>
#include <QLabel>

namespace pixtrail::testing {

QString layoutProblem(QWidget& window) {
    QApplication::processEvents(); // the layouts settle
    const auto named = [&](const char* name) {
        return window.findChild<QWidget*>(QString::fromLatin1(name));
    };
    std::vector<QWidget*> shown;
    for (QWidget* w : window.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (w->isVisible())
            shown.push_back(w);
    for (QWidget* w : shown) {
        if (!window.rect().contains(w->geometry()))
            return w->objectName() + QStringLiteral(" lies outside the window");
        // A button's own hint asks for room beyond its caption in most styles.
        QSize needed = w->sizeHint();
        if (const auto* button = qobject_cast<QPushButton*>(w))
            needed.setWidth(8 + button->fontMetrics().horizontalAdvance(
                                    QString(button->text()).remove(QLatin1Char('&'))));
        const bool captioned = qobject_cast<QCheckBox*>(w) || qobject_cast<QLabel*>(w) ||
                               qobject_cast<QPushButton*>(w);
        if (captioned && (w->width() < needed.width() || w->height() < needed.height()))
            return w->objectName() + QStringLiteral(" is cut short");
        for (QWidget* other : shown)
            if (other != w && w->geometry().intersects(other->geometry()))
                return w->objectName() + QStringLiteral(" covers ") + other->objectName();
    }
    const char* const rows[] = {
        "txtWpFile",    "txtSpoilerFolder", "chkDelUnused",    "chkForceGC", "chkOnlySpoil",
        "txtOnlyWords", "chkIgnoreNoSpoil", "txtIgnoreWords",  "chkRecheck", "chkResize",
        "chkDohtml",    "chkNoTxt",         "chkGarminPhotos", "txtDelay",   "lstProgress",
        "ProgressBar1", "cmdSync"};
    for (std::size_t i = 1; i < std::size(rows); ++i)
        if (named(rows[i])->y() < named(rows[i - 1])->geometry().bottom())
            return QString::fromLatin1(rows[i]) + QStringLiteral(" is not in its row");
    // The list's frame, its bottom edge included, is drawn at any scale.
    const QWidget* list = named("lstProgress");
    const QImage picture = window.grab().toImage();
    const qreal scale = picture.devicePixelRatio();
    const QPoint edge(qRound((list->x() + list->width() / 2) * scale),
                      qRound((list->y() + list->height()) * scale) - 1);
    if (picture.pixelColor(edge) == picture.pixelColor(edge - QPoint(0, qRound(3 * scale))))
        return QStringLiteral("the progress list's bottom border is not drawn");
    return {};
}

void GuiFixture::answerDialog() {
    QWidget* modal = QApplication::activeModalWidget();
    // A dialog may outlive its answer by a moment, and a new one may reuse its address.
    if (!modal || modal->property("answered").toBool())
        return;
    modal->setProperty("answered", true);
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        const auto standard = box->defaultButton() ? box->standardButton(box->defaultButton())
                                                   : QMessageBox::NoButton;
        seen.push_back({box->text(), box->icon(), standard});
        box->button(box->button(QMessageBox::Yes) ? questionAnswer : QMessageBox::Ok)->click();
    }
}

} // namespace pixtrail::testing
