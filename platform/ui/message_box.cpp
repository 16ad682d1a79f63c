#include "message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>

#include "gui_application.h"

namespace platform::ui {

namespace {

MessageBoxPresenter& presenterStorage() {
    static MessageBoxPresenter presenter;
    return presenter;
}

QMessageBox::Icon iconFor(int style) {
    switch (style & 0xF0) {
        case MessageCritical:
            return QMessageBox::Critical;
        case MessageExclamation:
            return QMessageBox::Warning;
        default:
            return QMessageBox::NoIcon;
    }
}

// The window a box belongs to: the active one, else the program's one visible window.
QWidget* boxOwner() {
    if (QWidget* active = QApplication::activeWindow()) return active;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && widget->isWindow() &&
            qobject_cast<QMessageBox*>(widget) == nullptr)
            return widget;
    }
    return nullptr;
}

void presentForReal(const MessageBoxRequest& request) {
    if (ensureGuiApplication() == Display::Missing) {
        std::fprintf(stderr, "%s: %s\n", qUtf8Printable(request.caption),
                     qUtf8Printable(request.text));
        return;
    }
    // Texts are composed with Windows line ends; a label wants plain line feeds.
    QString text = request.text;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    // Owned by the window it belongs to, a box is transient for it and stays above it,
    // above a topmost dialog too; a box of a program without a window stays on top.
    QWidget* owner = boxOwner();
    QMessageBox box(iconFor(request.style), request.caption, text, QMessageBox::Ok, owner);
    box.setTextFormat(Qt::PlainText);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
}

}  // namespace

void setProgramTitle(const QString& title) { platform::box::setProgramTitle(title.toStdString()); }

QString programTitle() { return QString::fromStdString(platform::box::programTitle()); }

void showMessageBox(const QString& text, int style, const std::optional<QString>& caption) {
    const MessageBoxRequest request{text, style, caption.value_or(programTitle())};
    if (const auto& presenter = presenterStorage()) {
        presenter(request);
    } else {
        presentForReal(request);
    }
}

void setMessageBoxPresenter(MessageBoxPresenter presenter) {
    presenterStorage() = std::move(presenter);
}

void showPlatformBoxesHere() {
    platform::box::setPresenter([](const platform::box::Request& request) {
        showMessageBox(QString::fromStdString(request.text), request.style,
                       QString::fromStdString(request.caption));
    });
}

}  // namespace platform::ui
