#include "TestEnv.h"
#include "res/Strings.h"

#include <QtTest>

using namespace res;

class tst_Strings : public QObject
{
    Q_OBJECT

    TestEnv m_env;

private slots:
    // Users and scripts recognise these texts: every blank counts. An
    // unknown id has no text.
    void texts_data()
    {
        QTest::addColumn<uint>("id");
        QTest::addColumn<QVariantList>("args");
        QTest::addColumn<QString>("text");
        QTest::newRow("missing id") << 1u << QVariantList{"x"} << QString();
        QTest::newRow("6010 formatted") << 6010u << QVariantList{"10.0.0.1", 28800}
                                        << "IP Address: 10.0.0.1  Speed: 28800 bps";
    }

    void texts()
    {
        QFETCH(uint, id);
        QFETCH(QString, text);
        QCOMPARE(HasString(id), !text.isNull());
        QCOMPARE(FormatString(id, Fetch<QVariantList>("args")), text);
    }

    void inserts_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QVariantList>("args");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << "%1 and %2" << QVariantList{"a", "b"} << "a and b";
        QTest::newRow("reordered") << "%2!s!-%1!s!" << QVariantList{"a", "b"} << "b-a";
        QTest::newRow("unsigned of negative") << "%1!u!" << QVariantList{-1} << "4294967295";
        QTest::newRow("hex") << "%1!x!/%1!X!" << QVariantList{255} << "ff/FF";
        QTest::newRow("zero padded") << "%1!02d!:%2!02d!" << QVariantList{5, 7} << "05:07";
        QTest::newRow("percent before insert") << "%%%1!d!" << QVariantList{5} << "%5";
        QTest::newRow("missing insert kept") << "a %2!s! b" << QVariantList{"x"} << "a %2!s! b";
        QTest::newRow("line break") << "one%ntwo" << QVariantList{} << "one\ntwo";
        QTest::newRow("lone percent") << "a % b" << QVariantList{} << "a % b";
        QTest::newRow("insert holding percent") << "%1!s!" << QVariantList{"%2!s!"} << "%2!s!";
        QTest::newRow("two-digit index") << "%10!s!" << QVariantList{1, 2, 3, 4, 5, 6, 7, 8, 9, "ten"} << "ten";
    }

    void inserts()
    {
        QTEST(FormatMessageText(Fetch<QString>("format"), Fetch<QVariantList>("args")), "expected");
    }
};

QTEST_GUILESS_MAIN(tst_Strings)
#include "tst_strings.moc"
