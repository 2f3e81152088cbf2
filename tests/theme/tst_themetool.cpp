#include "TestEnv.h"
#include "theme/ThemeData.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtEndian>
#include <QtTest>

#include <memory>

namespace {

struct Run
{
    int exitCode = -1;
    QByteArray out, err;
};

QString toolPath()
{
    return qEnvironmentVariable("DIALTOP_BUILD_DIR") + "/bin/dialtop-theme";
}

Run run(const QStringList& args)
{
    QProcess p;
    p.start(toolPath(), args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit)
        return {};
    return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}

// Every member set, most of them away from their defaults.
QJsonObject item(const QString& name, int n)
{
    return {{"name", name}, {"arguments", QString("--arg %1").arg(n)}, {"target", QString("/usr/bin/prog%1").arg(n)},
            {"startIn", "/home/u/Работа"}, {"iconFile", "utilities-terminal"},
            {"description", "Δ description " + QString::number(n)}, {"iconIndex", -n}, {"showCmd", 1 + n % 3},
            {"reserved1", 1000 + n}, {"x", -40 * n}, {"y", 2147483647 - n}, {"reserved2", -2147483647 - 1 + n},
            {"dialFirst", n % 2 == 1}};
}

// Three tabs, one empty, with text at the longest lengths the fields take.
QJsonObject fullTheme()
{
    QJsonObject longest = item(QString(128, 'N'), 2);
    for (const char* f : {"target", "startIn", "iconFile"})
        longest[f] = QString(260, *f);
    longest["description"] = QString("€").repeated(86) + "dd";
    QJsonArray tabs{QJsonObject{{"name", QString(260, 'T')}, {"background", "/usr/share/backgrounds/sky.bmp"},
                                {"reserved", 0}, {"items", QJsonArray{item("Ünïcödé ✓", 0), item("x", 1), longest}}},
                    QJsonObject{{"name", "Empty"}, {"background", ""}, {"reserved", -9}, {"items", QJsonArray{}}},
                    QJsonObject{{"name", "Web"}, {"background", ""}, {"reserved", 123456},
                                {"items", QJsonArray{item("Browser", 3)}}}};
    return QJsonObject{{"version", 1}, {"tabs", tabs}};
}

QByteArray le(qint32 v)
{
    char x[4];
    qToLittleEndian<qint32>(v, x);
    return QByteArray(x, 4);
}

} // namespace

class tst_ThemeTool : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;

private slots:
    void initTestCase() { QVERIFY2(QFileInfo(toolPath()).isExecutable(), qPrintable(toolPath())); }
    void init() { m_env = std::make_unique<TestEnv>(); }
    void cleanup() { m_env.reset(); }

    void buildThenDumpKeepsEveryField()
    {
        // Members left out take the defaults of a new theme: version 1, show state 1.
        QJsonObject in = fullTheme(), expected = in;
        in.remove("version");
        QJsonArray tabs = in["tabs"].toArray();
        tabs.append(QJsonObject{{"items", QJsonArray{QJsonObject{}}}});
        in["tabs"] = tabs;
        const QJsonObject none{{"name", ""}, {"arguments", ""}, {"target", ""}, {"startIn", ""}, {"iconFile", ""},
                               {"description", ""}, {"iconIndex", 0}, {"showCmd", 1}, {"reserved1", 0}, {"x", 0},
                               {"y", 0}, {"reserved2", 0}, {"dialFirst", false}};
        tabs[tabs.size() - 1] = QJsonObject{{"name", ""}, {"background", ""}, {"reserved", 0}, {"items", QJsonArray{none}}};
        expected["tabs"] = tabs;

        const QString json = m_env->path("in.json");
        const QString out = m_env->path("made/Full.Theme");
        QVERIFY(TestEnv::writeAll(json, QJsonDocument(in).toJson()));
        const Run b = run({"build", json, out});
        QVERIFY2(b.exitCode == 0 && b.err.isEmpty(), b.err.constData());
        QCOMPARE(TestEnv::readAll(out).size(), 8 + 4 * 536 + 5 * 1336);

        const Run d = run({"dump", out});
        QVERIFY2(d.exitCode == 0 && d.err.isEmpty(), d.err.constData());
        QCOMPARE(QJsonDocument::fromJson(d.out).object(), expected);

        // The program itself reads what the tool wrote.
        CThemeData loaded;
        QVERIFY(loaded.Load(out));
        QCOMPARE(loaded.GetItem(0, 0)->m_strName, QString("Ünïcödé ✓"));
        QCOMPARE(loaded.GetItem(2, 0)->m_ptPosition, QPoint(-120, 2147483644));
    }

    // Each fails with a one-line message naming the cause, prints no theme and
    // writes nothing: neither a new file nor over an old one.
    void badRunsFail_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input"); // written to the second argument first; empty: none
        QTest::addColumn<QString>("mentions");
        const QStringList dump{"dump", "bad.Theme"}, build{"build", "bad.json", "out/fresh.Theme"};
        QByteArray cutItem = le(1) + le(1) + QByteArray(532, '\0') + le(1) + QByteArray(1000, '\0');
        QTest::newRow("missing file") << dump << QByteArray() << "bad.Theme: no such file";
        QTest::newRow("version 2") << dump << le(2) + le(0) << "bad.Theme: file version";
        QTest::newRow("cut inside item record") << dump << cutItem << "bad.Theme: damaged";
        QTest::newRow("hostile tab count") << dump << le(1) + le(0x7fffffff) << "bad.Theme: damaged";
        QTest::newRow("unknown command") << QStringList{"frobnicate", "x"} << QByteArray() << "";
        QTest::newRow("build with one name") << QStringList{"build", "only-one"} << QByteArray() << "";
        QTest::newRow("build from a missing file") << build << QByteArray() << "bad.json";
        QTest::newRow("malformed") << build << QByteArray("{\"tabs\":[{\"name\":\"x\",}]}") << "malformed";
        QTest::newRow("not an object") << build << QByteArray("[1,2]") << "object";
        QTest::newRow("json version 2") << build << QByteArray("{\"version\":2,\"tabs\":[]}") << "version";
        QTest::newRow("index a string") << build << QByteArray("{\"tabs\":[{},{\"items\":[{},{\"iconIndex\":\"7\"}]}]}")
                                        << "tabs[1].items[1].iconIndex";
        QTest::newRow("fraction") << build << QByteArray("{\"tabs\":[{\"items\":[{\"x\":1.5}]}]}") << "tabs[0].items[0].x";
        QTest::newRow("target too long in a later tab")
            << build << QByteArray("{\"tabs\":[{\"name\":\"ok\"},{\"items\":[{\"target\":\"") + QByteArray(261, 't') + "\"}]}]}"
            << "tabs[1].items[0].target";
    }

    void badRunsFail()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(QString, mentions);
        QVERIFY(QDir::setCurrent(m_env->root()));
        if (!input.isEmpty())
            QVERIFY(TestEnv::writeAll(args[1], input));
        Run r = run(args);
        QVERIFY(r.exitCode > 0);
        QCOMPARE(r.out, QByteArray());
        QVERIFY2(!r.err.isEmpty() && r.err.contains(mentions.toUtf8()), r.err.constData());
        if (args.size() == 3 || args[0] == "dump")
            QVERIFY(r.exitCode == 1 && r.err.count('\n') == 1 && r.err.endsWith('\n'));
        QCOMPARE(QDir().entryList(QDir::Files), input.isEmpty() ? QStringList() : QStringList{args[1]});
        QVERIFY(!QFileInfo::exists("out"));
        if (args.size() == 3) {
            const QByteArray before = le(1) + le(1) + QByteArray(532, 'k') + le(0);
            QVERIFY(TestEnv::writeAll("old.Theme", before));
            r = run({"build", args[1], "old.Theme"});
            QCOMPARE(r.exitCode, 1);
            QCOMPARE(TestEnv::readAll("old.Theme"), before);
        }
    }
};

QTEST_GUILESS_MAIN(tst_ThemeTool)
#include "tst_themetool.moc"
