// The theme document inside the document template: open, the save prompt,
// Save and Save As, names proposed to the file dialog, the window title, the
// recent list, and what lands on disk in each case.

#include "TestEnv.h"
#include "app/Settings.h"
#include "framework/FileDialog.h"
#include "framework/FrameWnd.h"
#include "framework/MessageBox.h"
#include "framework/View.h"
#include "framework/WinApp.h"
#include "platform/registry/Registry.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"
#include "theme/DialtopDoc.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QtTest>

#include <memory>

namespace {

// Stands in for the launcher view: counts what the document tells it.
class RecordingView : public fw::CView
{
public:
    using fw::CView::CView;
    int m_nInitialUpdates = 0;
    int m_nUpdates = 0;
    void OnInitialUpdate() override { ++m_nInitialUpdates; }
    void OnUpdate(fw::CView*, long) override { ++m_nUpdates; }
};

fw::CFrameWnd* makeFrame(fw::CDocument* doc)
{
    auto* frame = new fw::CFrameWnd;
    auto* view = new RecordingView(frame);
    view->SetDocument(doc);
    doc->AddView(view);
    frame->setCentralWidget(view);
    frame->SetActiveView(view);
    return frame;
}

// A theme file of tabs x items; item j of tab i sits at (10 + 80j, 20 + 7i).
void writeTheme(const QString& path, int tabs, int items, const QString& tag = QString())
{
    CThemeData theme;
    for (int i = 0; i < tabs; ++i) {
        CThemeTab* tab = theme.InsertTab(i);
        tab->m_strName = QString("Tab %1%2").arg(i).arg(tag);
        for (int j = 0; j < items; ++j) {
            CThemeItem* item = theme.InsertItem(i, j);
            item->m_strName = QString("Item %1.%2").arg(i).arg(j);
            item->m_strTarget = "/usr/bin/env";
            item->m_ptPosition = QPoint(10 + 80 * j, 20 + 7 * i);
        }
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    theme.m_strPath = path;
    theme.m_bModified = true;
    QVERIFY(theme.Save());
}

QDateTime mtime(const QString& path)
{
    return QFileInfo(path).fileTime(QFileDevice::FileModificationTime);
}

// Sets a file's date well into the past, so a rewrite shows.
void age(const QString& path)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC), QFileDevice::FileModificationTime));
}

QString themesFolder()
{
    QString folder;
    GetThemesFolder(folder);
    return folder;
}

} // namespace

class tst_DialtopDoc : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<fw::CWinApp> m_app;
    QList<fw::MessageRequest> m_messages;
    QList<int> m_answers;                      // next message box answers
    QList<fw::FileDialogRequest> m_dialogs;
    QStringList m_dialogAnswers;               // next file names; a null string cancels

    fw::CDocTemplate* docTemplate() const { return m_app->GetDocTemplate(); }
    CDialtopDoc* doc() const { return static_cast<CDialtopDoc*>(docTemplate()->GetDocument()); }
    fw::CFrameWnd* frame() const { return docTemplate()->GetFrame(); }
    RecordingView* view() const { return static_cast<RecordingView*>(frame()->GetActiveView()); }

    void makeApp()
    {
        m_app = std::make_unique<fw::CWinApp>();
        m_app->SetRegistryKey("Corvane");
        m_app->LoadStdProfileSettings(4);
        m_app->AddDocTemplate(std::make_unique<fw::CDocTemplate>(
            ids::IDR_MAINFRAME, [] { return std::make_unique<CDialtopDoc>(); }, makeFrame));
    }

    // Opens a theme into the template and checks that it worked.
    void open(const QString& path)
    {
        QVERIFY(m_app->OpenDocumentFile(path));
        QCOMPARE(doc()->GetPathName(), path);
    }

    // An edit as the launcher view makes one: the theme and both flags.
    void rename(int tab, int item, const QString& name)
    {
        doc()->m_theme.GetItem(tab, item)->m_strName = name;
        doc()->m_theme.m_bModified = true;
        doc()->SetModifiedFlag(true);
    }

    QString loadedName(const QString& path, int tab, int item)
    {
        CThemeData t;
        if (!t.Load(path))
            return "<not loadable>";
        CThemeItem* it = t.GetItem(tab, item);
        return it ? it->m_strName : "<no item>";
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnv>();
        reg::ResetStore();
        m_messages.clear();
        m_answers.clear();
        m_dialogs.clear();
        m_dialogAnswers.clear();
        fw::SetMessageHandler([this](const fw::MessageRequest& r) {
            m_messages << r;
            return m_answers.isEmpty() ? fw::IDOK : m_answers.takeFirst();
        });
        fw::SetFileDialogHandler([this](fw::FileDialogRequest& r) {
            m_dialogs << r;
            if (m_dialogAnswers.isEmpty())
                return false;
            const QString answer = m_dialogAnswers.takeFirst();
            if (answer.isNull())
                return false;
            r.fileName = answer;
            return true;
        });
        makeApp();
    }

    void cleanup()
    {
        m_app.reset();
        fw::SetMessageHandler({});
        fw::SetFileDialogHandler({});
        m_env.reset();
        reg::ResetStore();
    }

    void openReadsTabsItemsAndPositions()
    {
        const QString path = m_env->path("themes/Work.Theme");
        writeTheme(path, 3, 4);
        open(path);

        const CThemeData& theme = doc()->m_theme;
        QCOMPARE(theme.GetTabCount(), 3);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(theme.GetTab(i)->m_strName, QString("Tab %1").arg(i));
            QCOMPARE(theme.GetItemCount(i), 4);
            for (int j = 0; j < 4; ++j)
                QCOMPARE(theme.GetItem(i, j)->m_ptPosition, QPoint(10 + 80 * j, 20 + 7 * i));
        }
        QVERIFY(!doc()->IsModified());
        QVERIFY(!theme.m_bModified);
        QCOMPARE(theme.m_strPath, path);
        QCOMPARE(view()->m_nInitialUpdates, 1);
        QVERIFY(m_messages.isEmpty());
    }

    void titleIsTheBareThemeName()
    {
        const QString path = m_env->path("x/Work.Theme");
        writeTheme(path, 1, 1);
        open(path);
        QCOMPARE(doc()->GetTitle(), QString("Work"));
        QCOMPARE(frame()->windowTitle(), QString("Dialtop - Work"));

        // A name with dots of its own loses only the last extension.
        const QString dotted = m_env->path("x/My.Work.Theme");
        writeTheme(dotted, 1, 1);
        open(dotted);
        QCOMPARE(frame()->windowTitle(), QString("Dialtop - My.Work"));
    }

    void savePrompt_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("Cancel") << fw::IDCANCEL;
        QTest::newRow("No") << fw::IDNO;
        QTest::newRow("Yes") << fw::IDYES;
    }

    void savePrompt()
    {
        QFETCH(int, answer);
        const QString path = m_env->path("themes/Work.Theme");
        writeTheme(path, 2, 3);
        const QByteArray before = TestEnv::readAll(path);
        open(path);
        rename(1, 2, "Changed");

        m_answers << answer;
        fw::CDocument* next = m_app->OpenDocumentFile(QString()); // File New
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(m_messages[0].text, QString("Save changes to Work?"));
        QCOMPARE(m_messages[0].style & fw::MB_TYPEMASK, fw::MB_YESNOCANCEL);
        QVERIFY(m_dialogs.isEmpty()); // the theme has a file: no name is asked for

        if (answer == fw::IDCANCEL) {
            // Abandoned: the theme stays open, changed, and nothing is written.
            QVERIFY(!next);
            QCOMPARE(doc()->GetPathName(), path);
            QVERIFY(doc()->IsModified());
            QCOMPARE(doc()->m_theme.GetItem(1, 2)->m_strName, QString("Changed"));
            QCOMPARE(TestEnv::readAll(path), before);
        } else if (answer == fw::IDNO) {
            // Discarded: neither emptying the document nor destroying it writes.
            QVERIFY(next);
            QVERIFY(doc()->GetPathName().isEmpty());
            QCOMPARE(doc()->m_theme.GetTabCount(), 0);
            QCOMPARE(TestEnv::readAll(path), before);
            m_app.reset();
            QCOMPARE(TestEnv::readAll(path), before);
        } else {
            QVERIFY(next);
            QCOMPARE(loadedName(path, 1, 2), QString("Changed"));
            QCOMPARE(loadedName(path, 0, 0), QString("Item 0.0"));
        }
    }

    void cancelInTheSaveDialogAbandonsTheNewTheme()
    {
        // Yes in the prompt of a never-saved theme asks for a name; cancelling
        // that dialog abandons the whole operation.
        QVERIFY(m_app->OpenDocumentFile(QString()));
        doc()->m_theme.InsertTab(0)->m_strName = "Fresh";
        doc()->SetModifiedFlag(true);
        m_answers << fw::IDYES;
        m_dialogAnswers << QString();
        QVERIFY(!m_app->OpenDocumentFile(QString()));
        QCOMPARE(m_dialogs.size(), 1);
        QVERIFY(doc()->IsModified());
        QCOMPARE(doc()->m_theme.GetTabCount(), 1);
        QVERIFY(QDir(themesFolder()).entryList({"*.Theme"}, QDir::Files).isEmpty());
    }

    void saveOfAnUnchangedThemeWritesNothing()
    {
        const QString path = m_env->path("themes/Work.Theme");
        writeTheme(path, 2, 2);
        age(path);
        const QDateTime stamp = mtime(path);
        open(path);
        QVERIFY(frame()->OnCommand(ids::ID_FILE_SAVE));
        QCOMPARE(mtime(path), stamp);
        QVERIFY(m_dialogs.isEmpty());
        QVERIFY(m_messages.isEmpty());
    }

    void saveAsOfAnUnchangedThemeWritesTheNewFile()
    {
        const QString path = m_env->path("themes/Work.Theme");
        writeTheme(path, 2, 2);
        age(path);
        const QDateTime stamp = mtime(path);
        open(path);

        const QString copy = themesFolder() + "/Copy";
        m_dialogAnswers << copy;
        QVERIFY(frame()->OnCommand(ids::ID_FILE_SAVE_AS));

        QCOMPARE(m_dialogs.size(), 1);
        const fw::FileDialogRequest& req = m_dialogs[0];
        QVERIFY(!req.bOpen);
        QCOMPARE(req.title, res::LoadString(ids::AFX_IDS_SAVEFILE));
        QCOMPARE(req.flags, fw::OFN_HIDEREADONLY | fw::OFN_PATHMUSTEXIST | fw::OFN_OVERWRITEPROMPT | fw::OFN_NOCHANGEDIR);
        QCOMPARE(req.initialDir, themesFolder());
        QVERIFY(req.fileName.isEmpty());

        const QString written = copy + ".Theme";
        QVERIFY(QFileInfo::exists(written));
        QCOMPARE(TestEnv::readAll(written), TestEnv::readAll(path));
        QCOMPARE(mtime(path), stamp);
        QCOMPARE(doc()->GetPathName(), written);
        QCOMPARE(frame()->windowTitle(), QString("Dialtop - Copy"));
        QCOMPARE(m_app->RecentFiles().value(0), written);
        QVERIFY(!doc()->IsModified());
    }

    void saveOfANeverSavedThemeAsksForAName()
    {
        QVERIFY(m_app->OpenDocumentFile(QString()));
        CThemeTab* tab = doc()->m_theme.InsertTab(0);
        tab->m_strName = "Fresh";
        doc()->SetModifiedFlag(true);

        m_dialogAnswers << themesFolder() + "/notes.txt";
        QVERIFY(frame()->OnCommand(ids::ID_FILE_SAVE));
        QCOMPARE(m_dialogs.size(), 1);
        QCOMPARE(m_dialogs[0].title, res::LoadString(ids::AFX_IDS_SAVEFILE));

        const QString written = themesFolder() + "/notes.Theme";
        QVERIFY(QFileInfo::exists(written));
        QVERIFY(!QFileInfo::exists(themesFolder() + "/notes.txt"));
        CThemeData back;
        QVERIFY(back.Load(written));
        QCOMPARE(back.GetTabCount(), 1);
        QCOMPARE(back.GetTab(0)->m_strName, QString("Fresh"));
        QCOMPARE(doc()->GetPathName(), written);
        QCOMPARE(frame()->windowTitle(), QString("Dialtop - notes"));
    }

    void proposedNameOfANewTheme_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("proposed");
        QTest::newRow("default") << QString() << "Untitled.Theme";
        QTest::newRow("blank") << "Work Stuff" << "Work.Theme";
        QTest::newRow("hash") << "a#b" << "a.Theme";
        QTest::newRow("percent") << "50%off" << "50.Theme";
        QTest::newRow("semicolon") << "x;y" << "x.Theme";
        QTest::newRow("slash") << "dir/name" << "dir.Theme";
        QTest::newRow("backslash") << "dir\\name" << "dir.Theme";
        QTest::newRow("first of several") << "p%q r#s" << "p.Theme";
        QTest::newRow("at the start") << " lead" << ".Theme";
        QTest::newRow("other marks stay") << "it's-mine" << "it's-mine.Theme";
    }

    void proposedNameOfANewTheme()
    {
        QFETCH(QString, title);
        QFETCH(QString, proposed);
        QVERIFY(m_app->OpenDocumentFile(QString()));
        if (!title.isNull())
            doc()->fw::CDocument::SetTitle(title); // the raw title, as the framework holds it
        doc()->m_theme.InsertTab(0);
        doc()->SetModifiedFlag(true);

        m_answers << fw::IDYES;
        m_dialogAnswers << QString(); // look at the proposal, then cancel
        QVERIFY(!m_app->OpenDocumentFile(QString()));
        QCOMPARE(m_dialogs.size(), 1);
        QCOMPARE(m_dialogs[0].fileName, proposed);
        QCOMPARE(m_dialogs[0].title, res::LoadString(ids::AFX_IDS_SAVEFILE));
        QVERIFY(!m_dialogs[0].bOpen);
    }

    void openingAVersion2FileFails()
    {
        const QString path = m_env->path("themes/Old.Theme");
        writeTheme(path, 1, 1);
        QByteArray bytes = TestEnv::readAll(path);
        bytes[0] = 2;
        QVERIFY(TestEnv::writeAll(path, bytes));

        QVERIFY(!m_app->OpenDocumentFile(path));
        QCOMPARE(m_messages.size(), 2);
        QCOMPARE(m_messages[0].text, "Invalid File Version Error:  " + path);
        QCOMPARE(m_messages[1].text, QString("The selected Theme file does not exist or is corrupted."));
        QCOMPARE(m_messages[1].style & fw::MB_ICONMASK, fw::MB_ICONEXCLAMATION);
        QVERIFY(m_app->RecentFiles().isEmpty());
        QCOMPARE(TestEnv::readAll(path), bytes);
    }

    void failedOpenOverAnOpenThemeLeavesANewOne()
    {
        const QString good = m_env->path("themes/Good.Theme");
        writeTheme(good, 2, 2);
        open(good);
        const QString missing = m_env->path("themes/Missing.Theme");
        QVERIFY(!m_app->OpenDocumentFile(missing));
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(m_messages[0].text, QString("The selected Theme file does not exist or is corrupted."));
        // The window shows nothing that is no longer in memory.
        QVERIFY(frame());
        QCOMPARE(doc()->m_theme.GetTabCount(), 0);
        QVERIFY(doc()->GetPathName().isEmpty());
        QVERIFY(!frame()->windowTitle().contains("Good"));
        QCOMPARE(m_app->RecentFiles(), QStringList{good});
    }

    void failedSaveKeepsTheOldFileAndTheChange()
    {
        const QString path = m_env->path("themes/Work.Theme");
        writeTheme(path, 2, 2);
        const QByteArray before = TestEnv::readAll(path);
        open(path);
        rename(0, 1, QString(200, 'x')); // longer than the name field

        QVERIFY(frame()->OnCommand(ids::ID_FILE_SAVE));
        QCOMPARE(TestEnv::readAll(path), before);
        QVERIFY(doc()->IsModified());
        QCOMPARE(m_messages.size(), 1);
        QVERIFY(m_messages[0].text.contains(path));

        // Save As to a new name does not take that name either.
        const QString other = themesFolder() + "/Other";
        m_dialogAnswers << other;
        QVERIFY(frame()->OnCommand(ids::ID_FILE_SAVE_AS));
        QVERIFY(!QFileInfo::exists(other + ".Theme"));
        QCOMPARE(doc()->GetPathName(), path);
        QVERIFY(doc()->IsModified());
        QCOMPARE(TestEnv::readAll(path), before);
    }

    void aPositionOnlyChangeIsSaved()
    {
        // A drag marks only the document; Save must still write the theme.
        const QString path = m_env->path("themes/Work.Theme");
        writeTheme(path, 1, 3);
        open(path);
        doc()->m_theme.GetItem(0, 2)->m_ptPosition = QPoint(333, 444);
        doc()->SetModifiedFlag(true);
        QVERIFY(!doc()->m_theme.m_bModified);

        QVERIFY(frame()->OnCommand(ids::ID_FILE_SAVE));
        CThemeData back;
        QVERIFY(back.Load(path));
        QCOMPARE(back.GetItem(0, 2)->m_ptPosition, QPoint(333, 444));
        QVERIFY(!doc()->IsModified());
    }

    void aPositionOnlyChangeIsSavedThroughThePrompt()
    {
        const QString path = m_env->path("themes/Work.Theme");
        writeTheme(path, 1, 3);
        open(path);
        doc()->m_theme.GetItem(0, 0)->m_ptPosition = QPoint(5, 6);
        doc()->SetModifiedFlag(true);
        m_answers << fw::IDYES;
        QVERIFY(m_app->OpenDocumentFile(QString()));
        CThemeData back;
        QVERIFY(back.Load(path));
        QCOMPARE(back.GetItem(0, 0)->m_ptPosition, QPoint(5, 6));
    }

    void recentListKeepsFourNewestFirst()
    {
        QStringList paths;
        for (int i = 1; i <= 5; ++i) {
            paths << m_env->path(QString("themes/T%1.Theme").arg(i));
            writeTheme(paths.last(), 1, 1, QString::number(i));
        }
        for (const QString& p : paths)
            open(p);
        open(paths[2]); // again: moves to the front, no duplicate

        const QStringList expected{paths[2], paths[4], paths[3], paths[1]};
        QCOMPARE(m_app->RecentFiles(), expected);

        // Stored as File1..File4 under the settings root, nothing more.
        reg::ResetStore();
        reg::RegKey key;
        QCOMPARE(key.Open(reg::HKEY_CURRENT_USER, "Software\\Corvane\\Dialtop\\Recent File List"), reg::ERROR_SUCCESS);
        QStringList names = key.ValueNames();
        names.sort(Qt::CaseInsensitive);
        QCOMPARE(names, (QStringList{"File1", "File2", "File3", "File4"}));
        for (int i = 0; i < 4; ++i) {
            QString value;
            QVERIFY(key.ReadString(QString("File%1").arg(i + 1), value));
            QCOMPARE(value, expected[i]);
        }
        const QByteArray hive = TestEnv::readAll(reg::HiveFilePath(reg::HKEY_CURRENT_USER));
        QVERIFY2(hive.contains("[HKEY_CURRENT_USER\\Software\\Corvane\\Dialtop\\Recent File List]"), hive.constData());

        // The next start reads the same list back.
        m_app.reset();
        reg::ResetStore();
        makeApp();
        QCOMPARE(m_app->RecentFiles(), expected);
    }
};

QTEST_MAIN(tst_DialtopDoc)
#include "tst_dialtopdoc.moc"
