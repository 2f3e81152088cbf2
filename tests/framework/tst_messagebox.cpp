#include "TestEnv.h"
#include "framework/MessageBox.h"

#include <QTemporaryFile>
#include <QtTest>

#include <cstdio>
#include <unistd.h>

using namespace fw;

namespace {

// Runs f with standard error sent to a file and returns what was written.
template <typename F>
QByteArray captureStderr(F f)
{
    QTemporaryFile file;
    if (!file.open())
        return "<no temp file>";
    std::fflush(stderr);
    const int saved = ::dup(2);
    ::dup2(file.handle(), 2);
    f();
    std::fflush(stderr);
    ::dup2(saved, 2), ::close(saved);
    return file.seek(0), file.readAll();
}

} // namespace

// Runs without a QApplication, as the command-line tool and early start-up do.
class tst_MessageBox : public QObject
{
    Q_OBJECT

    TestEnv m_env;

private slots:
    void cleanup() { SetMessageHandler({}); }

    // A handler sees the text, caption and style given, or the defaults; its
    // answer comes back and nothing is printed as well.
    void handlerReceivesTextAndAnswers()
    {
        QList<MessageRequest> seen;
        QList<int> answers{IDOK, IDCANCEL};
        SetMessageHandler([&](const MessageRequest& r) { return seen << r, answers.takeFirst(); });
        int first = 0, second = 0;
        const QByteArray err = captureStderr([&] {
            first = MessageBox("Delete?");
            second = MessageBox("Delete?", MB_YESNOCANCEL | MB_ICONQUESTION, nullptr, "Error");
        });
        QVERIFY(first == IDOK && second == IDCANCEL && err.isEmpty() && seen.size() == 2);
        QCOMPARE(QString("%1|%2|%3|%4|%5|%6").arg(seen[0].text, seen[0].caption).arg(seen[0].style)
                     .arg(seen[1].text, seen[1].caption).arg(seen[1].style),
                 QString("Delete?|Dialtop|%1|Delete?|Error|%2").arg(MB_OK | MB_ICONEXCLAMATION)
                     .arg(MB_YESNOCANCEL | MB_ICONQUESTION));
    }

    // Without a handler the text goes to standard error and the safe answer
    // comes back: OK, or No to a question.
    void withoutGuiPrintsAndAnswers()
    {
        int ok = 0, no = 0;
        const QByteArray err = captureStderr([&] {
            ok = MessageBox("Invalid File Version Error:  /tmp/x.Theme", MB_OK | MB_ICONEXCLAMATION);
            no = MessageBox("Delete?", MB_YESNO | MB_ICONQUESTION);
        });
        QVERIFY(ok == IDOK && no == IDNO);
        QCOMPARE(err, QByteArray("Dialtop: Invalid File Version Error:  /tmp/x.Theme\nDialtop: Delete?\n"));
    }
};

QTEST_GUILESS_MAIN(tst_MessageBox)
#include "tst_messagebox.moc"
