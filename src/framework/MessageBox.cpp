#include "MessageBox.h"

#include "res/Strings.h"

#include <QApplication>
#include <QCursor>
#include <QList>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

#include <cstdio>

namespace fw {

namespace {

MessageHandler& handler()
{
    static MessageHandler h;
    return h;
}

bool haveGui()
{
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

int answerWithoutUser(unsigned style)
{
    switch (style & MB_TYPEMASK) {
    case MB_YESNO: return IDNO;
    case MB_YESNOCANCEL:
    case MB_OKCANCEL: return IDCANCEL;
    default: return IDOK;
    }
}

// A box is answered with the normal pointer: the busy cursor of the work
// that led to it is lifted while the box is up and put back afterwards.
class CursorLift
{
public:
    CursorLift()
    {
        if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            return;
        while (const QCursor* c = QGuiApplication::overrideCursor()) {
            m_saved.prepend(*c);
            QGuiApplication::restoreOverrideCursor();
        }
    }
    ~CursorLift()
    {
        for (const QCursor& c : std::as_const(m_saved))
            QGuiApplication::setOverrideCursor(c);
    }

private:
    QList<QCursor> m_saved;
};

} // namespace

QString AppName()
{
    return res::LoadString(57344);
}

void MessageBeep(unsigned /*style*/)
{
    if (haveGui())
        QApplication::beep();
}

MessageHandler SetMessageHandler(MessageHandler h)
{
    MessageHandler old = std::move(handler());
    handler() = std::move(h);
    return old;
}

int MessageBox(const QString& text, unsigned style, QWidget* owner, const QString& caption)
{
    MessageRequest req{text, caption.isNull() ? AppName() : caption, style, owner};
    CursorLift lift;
    if (handler())
        return handler()(req);

    if (!haveGui()) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(req.caption), qPrintable(text));
        return answerWithoutUser(style);
    }

    MessageBeep(style);
    if (!owner)
        owner = QApplication::activeWindow();
    QMessageBox box(owner);
    box.setWindowTitle(req.caption);
    box.setText(text);
    switch (style & MB_ICONMASK) {
    case MB_ICONHAND: box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case MB_ICONEXCLAMATION: box.setIcon(QMessageBox::Warning); break;
    case MB_ICONASTERISK: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon);
    }
    switch (style & MB_TYPEMASK) {
    case MB_OKCANCEL: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MB_YESNOCANCEL: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel); break;
    case MB_YESNO: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    default: box.setStandardButtons(QMessageBox::Ok);
    }
    switch (box.exec()) {
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    case QMessageBox::Cancel: return IDCANCEL;
    default: return (style & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
    }
}

} // namespace fw
