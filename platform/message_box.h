#pragma once
// Every message box of the tools goes through MessageBox(). By default it shows
// a modal QMessageBox; tests install a handler that records and answers.

#include <functional>
#include <string>

class QWidget;

namespace platform {

enum class MsgIcon { None, Error, Warning, Information, Question };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgResult { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

struct MessageBoxCall {
    QWidget* owner = nullptr;
    std::string text;   // UTF-8
    std::string title;  // UTF-8
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
};

MsgResult MessageBox(QWidget* owner, const std::string& text, const std::string& title, MsgIcon icon,
                     MsgButtons buttons = MsgButtons::Ok);

using MessageBoxHandler = std::function<MsgResult(const MessageBoxCall&)>;
// Installs a handler in place of the Qt box; an empty function restores Qt.
void setMessageBoxHandler(MessageBoxHandler handler);

}  // namespace platform
