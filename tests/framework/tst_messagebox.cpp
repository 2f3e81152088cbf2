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
    ::dup2(saved, 2);
    ::close(saved);
    file.seek(0);
    return file.readAll();
}

} // namespace

// Runs without a QApplication, as the command-line tool and early start-up do.
class tst_MessageBox : public QObject
{
    Q_OBJECT

    TestEnv m_env;
    QList<MessageRequest> m_seen;
    int m_answer = IDOK;

private slots:
    void init()
    {
        m_seen.clear();
        m_answer = IDOK;
    }
    void cleanup() { SetMessageHandler({}); }

    void handlerReceivesTextAndAnswers_data()
    {
        QTest::addColumn<unsigned>("style"); // 0: left out
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("expectedCaption");
        QTest::addColumn<int>("answer");
        QTest::newRow("default style") << 0u << QString() << "Dialtop" << IDOK;
        QTest::newRow("explicit caption") << (MB_OK | MB_ICONHAND) << "Error" << "Error" << IDOK;
        QTest::newRow("yes") << (MB_YESNO | MB_ICONQUESTION) << QString() << "Dialtop" << IDYES;
        QTest::newRow("no") << (MB_YESNO | MB_ICONQUESTION) << QString() << "Dialtop" << IDNO;
        QTest::newRow("cancel") << (MB_YESNOCANCEL | MB_ICONQUESTION) << QString() << "Dialtop" << IDCANCEL;
    }

    void handlerReceivesTextAndAnswers()
    {
        QFETCH(unsigned, style);
        QFETCH(QString, caption);
        QFETCH(QString, expectedCaption);
        QFETCH(int, answer);
        m_answer = answer;
        SetMessageHandler([this](const MessageRequest& r) {
            m_seen << r;
            return m_answer;
        });
        const QString text = "Are you sure you want to delete the Tab:  Games";
        const QByteArray err = captureStderr([&] {
            QCOMPARE(style ? MessageBox(text, style, nullptr, caption) : MessageBox(text), answer);
        });
        QCOMPARE(m_seen.size(), 1);
        QCOMPARE(m_seen[0].text, text);
        QCOMPARE(m_seen[0].caption, expectedCaption);
        QCOMPARE(m_seen[0].style, style ? style : MB_OK | MB_ICONEXCLAMATION);
        QCOMPARE(m_seen[0].owner, nullptr);
        // A handled message is not printed as well.
        QCOMPARE(err, QByteArray());
    }

    void setHandlerReturnsPrevious()
    {
        int first = 0, second = 0;
        SetMessageHandler([&](const MessageRequest&) { return ++first, IDOK; });
        MessageHandler old = SetMessageHandler([&](const MessageRequest&) { return ++second, IDNO; });
        QVERIFY(bool(old));
        QCOMPARE(MessageBox("a"), IDNO);
        SetMessageHandler(old);
        QCOMPARE(MessageBox("b"), IDOK);
        QCOMPARE(first, 1);
        QCOMPARE(second, 1);
    }

    void withoutGuiPrintsAndAnswers_data()
    {
        QTest::addColumn<unsigned>("style");
        QTest::addColumn<int>("answer");
        QTest::newRow("ok") << (MB_OK | MB_ICONEXCLAMATION) << IDOK;
        QTest::newRow("yes/no") << (MB_YESNO | MB_ICONQUESTION) << IDNO;
    }

    void withoutGuiPrintsAndAnswers()
    {
        QFETCH(unsigned, style);
        QFETCH(int, answer);
        int result = 0;
        const QByteArray err = captureStderr([&] {
            result = MessageBox("Invalid File Version Error:  /tmp/x.Theme", style);
        });
        QCOMPARE(result, answer);
        QCOMPARE(err, QByteArray("Dialtop: Invalid File Version Error:  /tmp/x.Theme\n"));
    }
};

QTEST_GUILESS_MAIN(tst_MessageBox)
#include "tst_messagebox.moc"
