// The theme document inside the document template: open, the save prompt,
// Save and Save As, names proposed to the file dialog, the window title, the
// recent list, and what lands on disk in each case.

#include "TestEnv.h"
#include "TestThemes.h"
#include "framework/FrameWnd.h"
#include "framework/View.h"
#include "framework/WinApp.h"
#include "res/ResourceIds.h"
#include "theme/DialtopDoc.h"

#include <QGuiApplication>
#include <sys/stat.h>

namespace {

fw::CFrameWnd* makeFrame(fw::CDocument* doc)
{
    auto* frame = new fw::CFrameWnd;
    auto* view = new fw::CView(frame);
    view->SetDocument(doc), doc->AddView(view);
    frame->setCentralWidget(view), frame->SetActiveView(view);
    return frame;
}

// A theme file of tabs x items, item j of tab i named "Item i.j".
void writeGrid(const QString& path, int tabs, int items)
{
    QList<TabSpec> spec(tabs);
    for (int i = 0; i < tabs; ++i)
        for (int j = 0; j < items; ++j)
            spec[i].items.append({QString("Item %1.%2").arg(i).arg(j)});
    writeTheme(path, spec);
}

} // namespace

class tst_DialtopDoc : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<UiStubs> m_ui;
    std::unique_ptr<fw::CWinApp> m_app;
    QString m_work; // a theme of 2 x 2 in the test folder
    QStringList m_busyBoxes;

    CDialtopDoc* doc() const { return static_cast<CDialtopDoc*>(m_app->GetDocTemplate()->GetDocument()); }
    fw::CFrameWnd* frame() const { return m_app->GetDocTemplate()->GetFrame(); }

    void makeApp()
    {
        m_app = std::make_unique<fw::CWinApp>();
        m_app->SetRegistryKey("Corvane"), m_app->LoadStdProfileSettings(4);
        m_app->AddDocTemplate(std::make_unique<fw::CDocTemplate>(
            ids::IDR_MAINFRAME, [] { return std::make_unique<CDialtopDoc>(); }, makeFrame));
    }

    void open(const QString& path) { QVERIFY(m_app->OpenDocumentFile(path) && doc()->GetPathName() == path); }

    // An edit as the launcher view makes one: the theme and both flags.
    void rename(int tab, int item, const QString& name)
    {
        doc()->m_theme.GetItem(tab, item)->m_strName = name;
        doc()->m_theme.m_bModified = true, doc()->SetModifiedFlag(true);
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnv>(), m_ui = std::make_unique<UiStubs>();
        reg::ResetStore();
        // No box may appear under the busy cursor of an open or a save.
        fw::SetMessageHandler([this, stub = fw::SetMessageHandler({})](const fw::MessageRequest& r) {
            if (QGuiApplication::overrideCursor())
                m_busyBoxes << r.text;
            return stub(r);
        });
        makeApp(), writeGrid(m_work = m_env->path("themes/Work.Theme"), 2, 2);
    }

    void cleanup()
    {
        QCOMPARE(std::exchange(m_busyBoxes, {}), QStringList());
        m_app.reset(), m_ui.reset(), m_env.reset();
        reg::ResetStore();
    }

    // A relative name is resolved before loading changes the current folder.
    void openResolvesTheNameAndShowsIt()
    {
        const QString path = m_env->path("themes/My.Work.Theme");
        writeGrid(path, 3, 4);
        QVERIFY(QDir::setCurrent(m_env->root()));
        QVERIFY(m_app->OpenDocumentFile("themes/My.Work.Theme") && doc()->m_theme.GetItemCount(2) == 4);
        QVERIFY(m_ui->messages.isEmpty() && !doc()->IsModified());
        // The title is the bare name: a name with dots of its own loses only the last.
        QCOMPARE(QStringList({doc()->GetPathName(), m_app->RecentFiles().value(0), doc()->GetTitle(), frame()->windowTitle()}),
                 QStringList({path, path, "My.Work", "Dialtop - My.Work"}));
    }

    void savePrompt_data()
    {
        QTest::addColumn<int>("answer");
        for (auto [name, a] : {std::pair{"Cancel", fw::IDCANCEL}, {"No", fw::IDNO}, {"Yes", fw::IDYES}})
            QTest::newRow(name) << a;
    }

    void savePrompt()
    {
        QFETCH(int, answer);
        open(m_work);
        rename(1, 1, "Changed");

        m_ui->answers << answer;
        const bool next = m_app->OpenDocumentFile(QString()); // File New
        QCOMPARE(m_ui->texts(), QStringList{"Save changes to Work?"});
        // The theme has a file: no name is asked for.
        QVERIFY((m_ui->messages[0].style & fw::MB_TYPEMASK) == fw::MB_YESNOCANCEL && m_ui->dialogs.isEmpty());
        // Cancel keeps the theme open and changed; otherwise File New goes on.
        QCOMPARE(next, answer != fw::IDCANCEL);
        QCOMPARE(QString("%1 %2 ").arg(doc()->IsModified()).arg(doc()->m_theme.GetTabCount()) + doc()->GetPathName(),
                 next ? QString("0 0 ") : "1 2 " + m_work);
        if (next)
            m_app.reset(); // nor does destroying the emptied document write
        CThemeData back;
        QVERIFY(back.Load(m_work));
        QCOMPARE(back.GetItem(1, 1)->m_strName, QString(answer == fw::IDYES ? "Changed" : "Item 1.1"));
    }

    // Save of an unchanged theme writes nothing. Save As asks before replacing
    // the name the extension rule makes (the dialog asked about notes.txt, not
    // notes.Theme); No brings the dialog back. Then it writes the copy.
    void saveOfAnUnchangedThemeWritesNothingSaveAsWritesTheCopy()
    {
        const QString existing = themesFolder() + "/notes.Theme";
        writeGrid(existing, 1, 1);
        const QByteArray notes = TestEnv::readAll(existing);
        age(m_work);
        const QDateTime stamp = mtime(m_work);
        open(m_work);
        QVERIFY(frame()->OnCommand(ids::ID_FILE_SAVE));
        QVERIFY(mtime(m_work) == stamp && m_ui->messages.isEmpty());

        m_ui->fileAnswers << themesFolder() + "/notes.txt"; // then the dialog is cancelled
        m_ui->answers << fw::IDNO;
        QVERIFY(frame()->OnCommand(ids::ID_FILE_SAVE_AS));
        QCOMPARE(m_ui->dialogs.value(0).fileName + "|" + m_ui->dialogs.value(1).fileName, "|" + existing);
        QVERIFY(m_ui->texts().value(0).startsWith(existing));
        QCOMPARE(TestEnv::readAll(existing), notes);

        m_ui->fileAnswers << themesFolder() + "/Copy";
        QVERIFY(frame()->OnCommand(ids::ID_FILE_SAVE_AS));
        const QString written = themesFolder() + "/Copy.Theme";
        QCOMPARE(TestEnv::readAll(written), TestEnv::readAll(m_work));
        QVERIFY(mtime(m_work) == stamp && !doc()->IsModified());
        QCOMPARE(frame()->windowTitle() + "|" + m_app->RecentFiles().value(0), "Dialtop - Copy|" + written);
    }

    void proposedNameOfANewTheme_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("proposed");
        QTest::newRow("default") << QString() << "Untitled.Theme";
        QTest::newRow("blank") << "Work Stuff" << "Work.Theme";
        QTest::newRow("first of several") << "p%q r#s" << "p.Theme";
        QTest::newRow("other marks stay") << "it's-mine" << "it's-mine.Theme";
    }

    void proposedNameOfANewTheme()
    {
        QFETCH(QString, title);
        QVERIFY(m_app->OpenDocumentFile(QString())); // a never-saved theme, changed
        doc()->m_theme.InsertTab(0)->m_strName = "Fresh", doc()->SetModifiedFlag(true);
        if (!title.isNull())
            doc()->fw::CDocument::SetTitle(title); // the raw title, as the framework holds it
        // Yes in the prompt of a never-saved theme asks for a name; cancelling
        // that dialog abandons the whole operation.
        m_ui->answers << fw::IDYES;
        QVERIFY(!m_app->OpenDocumentFile(QString()));
        QVERIFY(m_ui->dialogs.size() == 1 && doc()->IsModified() && doc()->m_theme.GetTabCount() == 1);
        QTEST(m_ui->dialogs[0].fileName, "proposed");
        QVERIFY(QDir(themesFolder()).entryList({"*.Theme"}, QDir::Files).isEmpty());

        // Save asks for a name too, and the extension rule makes it a theme.
        m_ui->fileAnswers << themesFolder() + "/notes.txt";
        QVERIFY(frame()->OnCommand(ids::ID_FILE_SAVE) && m_ui->dialogs.size() == 2 && !doc()->IsModified());
        QCOMPARE(QDir(themesFolder()).entryList(QDir::Files) << frame()->windowTitle(),
                 QStringList({"notes.Theme", "Dialtop - notes"}));
    }

    // The window then shows nothing that is no longer in memory.
    void failedOpenLeavesANewTheme_data()
    {
        QTest::addColumn<bool>("version2"); // else missing
        QTest::newRow("version 2") << true, QTest::newRow("missing") << false;
    }

    void failedOpenLeavesANewTheme()
    {
        QFETCH(bool, version2);
        const QString bad = m_env->path("themes/Bad.Theme");
        QByteArray bytes = TestEnv::readAll(m_work);
        bytes[0] = 2;
        QVERIFY(!version2 || TestEnv::writeAll(bad, bytes));
        open(m_work);
        QVERIFY(!m_app->OpenDocumentFile(bad));
        const QStringList said{"Invalid File Version Error:  " + bad, "The selected Theme file does not exist or is corrupted."};
        QCOMPARE(m_ui->texts(), version2 ? said : said.mid(1));
        QVERIFY(doc()->m_theme.GetTabCount() == 0 && doc()->GetPathName().isEmpty()
                && !frame()->windowTitle().contains("Work"));
        QCOMPARE(m_app->RecentFiles(), QStringList{m_work});
    }

    void failedSaveKeepsTheOldFileAndTheChange()
    {
        const QByteArray before = TestEnv::readAll(m_work);
        open(m_work);
        rename(0, 1, QString(200, 'x')); // longer than the name field

        QVERIFY(frame()->OnCommand(ids::ID_FILE_SAVE));
        QVERIFY(TestEnv::readAll(m_work) == before && doc()->IsModified());
        QVERIFY(m_ui->texts().size() == 1 && m_ui->texts()[0].contains(m_work));

        // Save As to a new name does not take that name either.
        m_ui->fileAnswers << themesFolder() + "/Other";
        QVERIFY(frame()->OnCommand(ids::ID_FILE_SAVE_AS));
        QVERIFY(!QFileInfo::exists(themesFolder() + "/Other.Theme"));
        QVERIFY(doc()->GetPathName() == m_work && doc()->IsModified());
    }

    // A drag marks only the document; Save must still write the theme.
    void aPositionOnlyChangeIsSaved()
    {
        open(m_work);
        doc()->m_theme.GetItem(1, 1)->m_ptPosition = QPoint(333, 444), doc()->SetModifiedFlag(true);
        QVERIFY(!doc()->m_theme.m_bModified && frame()->OnCommand(ids::ID_FILE_SAVE) && !doc()->IsModified());
        CThemeData back;
        QVERIFY(back.Load(m_work));
        QCOMPARE(back.GetItem(1, 1)->m_ptPosition, QPoint(333, 444));
    }

    // Closing writes the window's place every time: a value that did not
    // change must not cost a rewrite of the settings file.
    void unchangedProfileValuesAreNotRewritten()
    {
        const QByteArray hive = QFile::encodeName(reg::HiveFilePath(reg::HKEY_CURRENT_USER));
        struct stat st[2]{};
        for (struct stat& s : st) {
            QVERIFY(m_app->WriteProfileInt("WinPos", "x", 10) && m_app->WriteProfileBinary("", "BarState", "\x01"));
            ::stat(hive.constData(), &s);
        }
        QCOMPARE(st[1].st_ino, st[0].st_ino);
    }

    void recentListKeepsFourNewestFirst()
    {
        QStringList paths;
        for (int i = 1; i <= 5; ++i) {
            paths << m_env->path(QString("themes/T%1.Theme").arg(i));
            writeGrid(paths.last(), 1, 1);
            open(paths.last());
        }
        open(paths[2]); // again: moves to the front, no duplicate
        const QStringList expected{paths[2], paths[4], paths[3], paths[1]};
        QCOMPARE(m_app->RecentFiles(), expected);
        // Stored as File1..File4 under the settings root, and read back by the next start.
        QVERIFY(recentFile(1) == paths[2] && recentFile(5).isEmpty());
        m_app.reset(), reg::ResetStore(), makeApp();
        QCOMPARE(m_app->RecentFiles(), expected);
    }
};

QTEST_MAIN(tst_DialtopDoc)
#include "tst_dialtopdoc.moc"
