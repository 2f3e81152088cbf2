#pragma once
// The program's one way to show a message: a beep of the box's kind, then the
// box. Tests replace the handler to record what would be shown and to answer.

#include <QString>
#include <functional>

class QWidget;

namespace fw {

// Styles, with the platform's numbers.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_YESNOCANCEL = 0x3;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_ICONHAND = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONEXCLAMATION = 0x30;
constexpr unsigned MB_ICONASTERISK = 0x40;
constexpr unsigned MB_TYPEMASK = 0xF;
constexpr unsigned MB_ICONMASK = 0xF0;

// Answers.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

struct MessageRequest
{
    QString text;
    QString caption;
    unsigned style = MB_OK;
    QWidget* owner = nullptr;
};

using MessageHandler = std::function<int(const MessageRequest&)>;

// Application name used as the default caption ("Dialtop").
QString AppName();

// Beeps, then shows the box and returns the button pressed. A null caption
// means the application's name. Without a QApplication the text goes to
// standard error and the answer is IDOK (or IDNO/IDCANCEL for questions).
int MessageBox(const QString& text, unsigned style = MB_OK | MB_ICONEXCLAMATION,
               QWidget* owner = nullptr, const QString& caption = QString());

// Installs a handler that replaces the box (and the beep); returns the one it
// replaces. An empty handler restores the real box.
MessageHandler SetMessageHandler(MessageHandler handler);

// The beep alone.
void MessageBeep(unsigned style);

} // namespace fw
