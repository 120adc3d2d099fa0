#include "uMessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

TMessageHandler& MessageHandler() {
    static TMessageHandler handler;
    return handler;
}

TBeepHandler& BeepHandler() {
    static TBeepHandler handler;
    return handler;
}

QString ButtonCaption(TMessageButton button) {
    switch (button) {
    case TMessageButton::Ok:
        return QStringLiteral("OK");
    case TMessageButton::Cancel:
        return QStringLiteral("Cancel");
    case TMessageButton::Yes:
        return QStringLiteral("&Yes");
    case TMessageButton::No:
        return QStringLiteral("&No");
    }
    return {};
}

QMessageBox::Icon BoxIcon(TMessageKind kind) {
    switch (kind) {
    case TMessageKind::Error:
        return QMessageBox::Critical;
    case TMessageKind::Warning:
        return QMessageBox::Warning;
    case TMessageKind::Information:
        return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

} // namespace

TMessageButton ShowMessageBox(QWidget* parent, const TMessageRequest& request) {
    if (MessageHandler()) {
        return MessageHandler()(request);
    }
    QMessageBox box(BoxIcon(request.Kind), request.Title, request.Text, QMessageBox::NoButton, parent);
    QList<std::pair<QAbstractButton*, TMessageButton>> buttons;
    for (const TMessageButton button : request.Buttons) {
        const auto role = (button == TMessageButton::Cancel || button == TMessageButton::No) ? QMessageBox::RejectRole
                                                                                             : QMessageBox::AcceptRole;
        buttons.append({box.addButton(ButtonCaption(button), role), button});
    }
    if (!buttons.isEmpty()) {
        box.setEscapeButton(buttons.back().first);
    }
    box.exec();
    for (const auto& [widget, button] : buttons) {
        if (box.clickedButton() == widget) {
            return button;
        }
    }
    return request.Buttons.isEmpty() ? TMessageButton::Cancel : request.Buttons.back();
}

void Beep() {
    if (BeepHandler()) {
        BeepHandler()();
        return;
    }
    QApplication::beep();
}

void SetMessageHandler(TMessageHandler handler) {
    MessageHandler() = std::move(handler);
}

void SetBeepHandler(TBeepHandler handler) {
    BeepHandler() = std::move(handler);
}
