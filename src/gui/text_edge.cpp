#include "gui/text_edge.hpp"

#include "base/ansi_text.hpp"

namespace pixtrail::gui {

QString toQt(std::string_view ansi) {
    QString text = QString::fromStdString(base::ansiToUtf8(ansi));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

std::string fromQt(const QString& text) {
    return base::utf8ToAnsi(text.toStdString());
}

bool fitsCodePage(const QString& text) {
    bool ok = true;
    base::utf8ToAnsi(text.toStdString(), '?', &ok);
    return ok;
}

} // namespace pixtrail::gui
