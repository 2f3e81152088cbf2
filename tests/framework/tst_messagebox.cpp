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

    // Without a handler the text goes to standard error and the safe answer
    // comes back: OK, or No to a question. A handler alone answers.
    void withoutGuiPrintsAndAnswers()
    {
        int ok = 0, no = 0;
        const QByteArray err = captureStderr([&] {
            ok = MessageBox("Invalid File Version Error:  /tmp/x.Theme", MB_OK | MB_ICONEXCLAMATION);
            no = MessageBox("Delete?", MB_YESNO | MB_ICONQUESTION);
        });
        QVERIFY(ok == IDOK && no == IDNO);
        QCOMPARE(err, QByteArray("Dialtop: Invalid File Version Error:  /tmp/x.Theme\nDialtop: Delete?\n"));

        SetMessageHandler([](const MessageRequest&) { return IDCANCEL; });
        QVERIFY(captureStderr([&] { ok = MessageBox("Delete?", MB_YESNOCANCEL); }).isEmpty() && ok == IDCANCEL);
    }
};

QTEST_GUILESS_MAIN(tst_MessageBox)
#include "tst_messagebox.moc"
