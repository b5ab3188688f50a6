#include "platform/message_box.h"

#include <QApplication>
#include <QMessageBox>

namespace platform {
namespace {

MessageBoxHandler& handler() {
    static MessageBoxHandler h;
    return h;
}

MsgResult showQtBox(const MessageBoxCall& call) {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (call.icon) {
    case MsgIcon::None: icon = QMessageBox::NoIcon; break;
    case MsgIcon::Error: icon = QMessageBox::Critical; break;
    case MsgIcon::Warning: icon = QMessageBox::Warning; break;
    case MsgIcon::Information: icon = QMessageBox::Information; break;
    case MsgIcon::Question: icon = QMessageBox::Question; break;
    }
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    switch (call.buttons) {
    case MsgButtons::Ok: buttons = QMessageBox::Ok; break;
    case MsgButtons::OkCancel: buttons = QMessageBox::Ok | QMessageBox::Cancel; break;
    case MsgButtons::YesNo: buttons = QMessageBox::Yes | QMessageBox::No; break;
    case MsgButtons::YesNoCancel: buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
    }
    // Without a QApplication there is nothing to show the box on.
    if (!qApp) return call.buttons == MsgButtons::Ok || call.buttons == MsgButtons::OkCancel ? MsgResult::Ok : MsgResult::No;
    QMessageBox box(icon, QString::fromStdString(call.title), QString::fromStdString(call.text), buttons, call.owner);
    switch (box.exec()) {
    case QMessageBox::Cancel: return MsgResult::Cancel;
    case QMessageBox::Yes: return MsgResult::Yes;
    case QMessageBox::No: return MsgResult::No;
    default: return MsgResult::Ok;
    }
}

}  // namespace

MsgResult MessageBox(QWidget* owner, const std::string& text, const std::string& title, MsgIcon icon,
                     MsgButtons buttons) {
    MessageBoxCall call{owner, text, title, icon, buttons};
    const MessageBoxHandler& h = handler();
    return h ? h(call) : showQtBox(call);
}

void setMessageBoxHandler(MessageBoxHandler h) { handler() = std::move(h); }

}  // namespace platform
