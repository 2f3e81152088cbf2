// The commands that change tabs and items: their effect on the theme, the
// lists and the modified flag, the questions they ask, the launcher's own
// clipboard, files and addresses dropped or pasted in, and what Save writes.

#include "TestEnv.h"
#include "TestThemes.h"
#include "framework/CmdTarget.h"
#include "framework/Dialog.h"
#include "framework/FrameWnd.h"
#include "launcher/DialtopView.h"
#include "launcher/ItemListCtrl.h"
#include "launcher/LauncherClipboard.h"
#include "platform/registry/Registry.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"
#include "theme/DialtopDoc.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTabBar>

#include <memory>

using DialogAnswer = std::function<int(fw::CDialog*)>;

// Fills the dialog's edit fields and presses OK; IDCANCEL when it stays open.
DialogAnswer okWith(const QMap<int, QString>& fields)
{
    return [fields](fw::CDialog* d) {
        for (auto it = fields.begin(); it != fields.end(); ++it)
            d->Item<QLineEdit>(it.key())->setText(it.value());
        d->Item<QPushButton>(fw::IDOK)->click();
        return d->Result() == fw::IDOK ? fw::IDOK : fw::IDCANCEL;
    };
}

class tst_LauncherCommands : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<CDialtopDoc> m_doc;
    std::unique_ptr<fw::CFrameWnd> m_frame;
    CDialtopView* m_view = nullptr;
    std::unique_ptr<UiStubs> m_ui;
    QList<DialogAnswer> m_answers;
    QStringList m_captions;

    CThemeData& theme() { return m_doc->m_theme; }
    CItemListCtrl* list() { return m_view->CurrentList(); }

    void open(const QList<TabSpec>& tabs)
    {
        const QString path = m_env->path("t/Work.Theme");
        writeTheme(path, tabs);
        QVERIFY(m_doc->OnOpenDocument(path));
        m_view->OnInitialUpdate();
    }

    bool enabled(unsigned id)
    {
        fw::CCmdUI state(id);
        state.DoUpdate(m_frame.get());
        return state.m_bEnabled;
    }

    bool run(unsigned id, const DialogAnswer& answer = {})
    {
        if (answer)
            m_answers << answer;
        return m_frame->OnCommand(id);
    }

    QStringList tabNames()
    {
        QStringList out;
        for (int i = 0; i < m_view->TabCtrl()->count(); ++i)
            out << m_view->TabCtrl()->tabText(i);
        return out;
    }

    // The current tab as the list shows it and as the theme holds it: the same.
    QStringList entries()
    {
        QStringList shown, held;
        for (int i = 0; i < list()->GetItemCount(); ++i)
            shown << list()->GetItemText(i);
        for (int i = 0; i < theme().GetItemCount(m_view->CurrentTab()); ++i)
            held << theme().GetItem(m_view->CurrentTab(), i)->m_strName;
        return shown == held ? shown : QStringList{"list and theme differ"};
    }

    void saveAndReload(CThemeData& back)
    {
        QVERIFY(m_doc->OnSaveDocument(m_doc->GetPathName()));
        QVERIFY(back.Load(m_doc->GetPathName()));
    }

    void dropAt(const QStringList& urls, const QPoint& viewPos, Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction)
    {
        QMimeData data;
        data.setData("text/uri-list", urls.join("\r\n").toUtf8());
        // As a drag arrives: it enters, moves, then drops on the target found.
        QDragEnterEvent enter(viewPos, actions, &data, Qt::LeftButton, {});
        QApplication::sendEvent(m_view, &enter);
        QDragMoveEvent move(viewPos, actions, &data, Qt::LeftButton, {});
        QApplication::sendEvent(m_view, &move);
        QDropEvent drop(viewPos, actions, &data, Qt::LeftButton, {});
        QApplication::sendEvent(m_view, &drop);
        if (drop.isAccepted())
            QVERIFY(drop.dropAction() != Qt::MoveAction); // the file manager must not delete the file
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnv>();
        reg::ResetStore();
        m_ui = std::make_unique<UiStubs>();
        m_answers.clear();
        m_captions.clear();
        ClearCopiedItems();
        fw::CFrameWnd::SetPopupHandler([](QMenu*) { return 0u; });
        fw::CDialog::SetModalHandler([this](fw::CDialog* d) {
            m_captions << d->windowTitle();
            return m_answers.isEmpty() ? int(fw::IDCANCEL) : m_answers.takeFirst()(d);
        });
        m_doc = std::make_unique<CDialtopDoc>();
        m_frame = std::make_unique<fw::CFrameWnd>();
        m_view = new CDialtopView(m_frame.get());
        m_view->SetDocument(m_doc.get());
        m_doc->AddView(m_view);
        m_frame->setCentralWidget(m_view);
        m_frame->SetActiveView(m_view);
        m_frame->resize(640, 480);
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    }

    void cleanup()
    {
        m_frame.reset();
        if (m_doc)
            m_doc->m_theme.m_bModified = false;
        m_doc.reset();
        fw::CDialog::SetModalHandler({});
        fw::CFrameWnd::SetPopupHandler({});
        m_ui.reset();
        ClearCopiedItems();
        m_env.reset();
        reg::ResetStore();
    }

    void tabsAreAddedEditedAndDeleted()
    {
        open({});
        QVERIFY(!enabled(ids::ID_NEW_ITEM));
        run(ids::ID_NEW_TAB); // cancelled: nothing
        QVERIFY(tabNames().isEmpty() && !m_doc->IsModified());
        QVERIFY(run(ids::ID_NEW_TAB, okWith({{1000, "First"}})));
        QVERIFY(run(ids::ID_NEW_TAB, okWith({{1000, "Second"}})));
        m_view->TabCtrl()->setCurrentIndex(0);
        QVERIFY(run(ids::ID_NEW_TAB, okWith({{1000, "Between"}, {1009, "/no/such.bmp"}})));
        QCOMPARE(tabNames(), (QStringList{"First", "Between", "Second"}));
        QCOMPARE(m_view->CurrentTab(), 1);
        QVERIFY(m_doc->IsModified() && enabled(ids::ID_NEW_ITEM));

        // Properties: its own caption, the fields filled from the tab.
        QString shownName;
        QVERIFY(run(ids::ID_TAB_PROPERTIES, [&](fw::CDialog* d) {
            shownName = d->Item<QLineEdit>(1000)->text();
            return okWith({{1000, "Renamed"}, {1009, ""}})(d);
        }));
        QCOMPARE(m_captions, QStringList(4, res::LoadDialog(res::IDD_ADDTAB).caption)
                                 << res::LoadString(ids::IDS_TAB_PROPERTIES));
        QCOMPARE(shownName, QString("Between"));
        QCOMPARE(theme().GetTab(1)->m_strBackground, QString());

        // Deleting asks with the name; No keeps the tab.
        m_ui->answers = {fw::IDNO, fw::IDYES};
        run(ids::ID_DELETE_TAB);
        QCOMPARE(tabNames().size(), 3);
        run(ids::ID_DELETE_TAB);
        QCOMPARE(m_ui->texts(), (QStringList(2, res::FormatString(ids::IDS_DELETE_TAB, {"Renamed"}))));
        QCOMPARE(tabNames(), (QStringList{"First", "Second"}));
        QCOMPARE(m_view->CurrentTab(), 0);
        QCOMPARE(list(), m_view->ListCtrl(0));

        // After the first tab goes, the new first one is current and shown.
        m_ui->answers = {fw::IDYES};
        run(ids::ID_DELETE_TAB);
        QCOMPARE(m_view->CurrentTab(), 0);
        QVERIFY(list() && list()->isVisible());

        CThemeData back;
        saveAndReload(back);
        QCOMPARE(back.GetTabCount(), 1);
        QCOMPARE(back.GetTab(0)->m_strName, QString("Second"));
    }

    void itemsAreAddedEditedAndDeleted()
    {
        open({{"Tools", {{"Keep", {300, 200}, "/usr/bin/env", "-i"}}}});
        // Both fields are required; the refused dialog adds nothing.
        QVERIFY(run(ids::ID_NEW_ITEM, okWith({{1000, "Only a name"}})));
        QCOMPARE(m_ui->texts(), QStringList{res::LoadString(ids::IDS_NAME_TARGET_REQUIRED)});
        QVERIFY(!m_doc->IsModified());
        QVERIFY(run(ids::ID_NEW_ITEM, okWith({{1000, "Shell"}, {1003, "/bin/sh"}})));
        QCOMPARE(entries(), (QStringList{"Keep", "Shell"}));
        QCOMPARE(theme().GetItem(0, 1)->m_ptPosition, list()->GetItemPosition(1));
        QVERIFY(m_doc->IsModified());

        // Properties: every field back, arguments untouched.
        QVERIFY(!enabled(ids::ID_ITEM_PROPERTIES));
        list()->SetSelected(0, true);
        QVERIFY(run(ids::ID_ITEM_PROPERTIES, [](fw::CDialog* d) {
            d->Item<QComboBox>(1059)->setCurrentIndex(2);
            emit d->Item<QComboBox>(1059)->activated(2);
            d->Item<QCheckBox>(1091)->setChecked(true);
            return okWith({{1000, "Env"}, {1090, "No environment"}, {1061, "/tmp"}})(d);
        }));
        const CThemeItem* item = theme().GetItem(0, 0);
        QCOMPARE(QStringList({item->m_strName, item->m_strDescription, item->m_strStartIn, item->m_strArguments}),
                 (QStringList{"Env", "No environment", "/tmp", "-i"}));
        QCOMPARE(item->m_nShowCmd, 2);
        QCOMPARE(item->m_bDialFirst, 1);
        QCOMPARE(list()->GetItemText(0), QString("Env"));

        // Delete (menu or key) asks with the item's name.
        m_ui->answers = {fw::IDNO, fw::IDYES};
        run(ids::ID_DELETE_ITEM);
        QCOMPARE(entries().size(), 2);
        list()->setFocus();
        QTest::keyClick(list(), Qt::Key_Delete);
        QCOMPARE(m_ui->texts().last(), res::FormatString(ids::IDS_DELETE_ITEM, {"Env"}));
        QCOMPARE(entries(), QStringList{"Shell"});

        CThemeData back;
        saveAndReload(back);
        QCOMPARE(back.GetItem(0, 0)->m_strTarget, QString("/bin/sh"));
    }

    void copyCutAndPaste()
    {
        open({{"A", {{"One", {20, 20}}, {"Two", {200, 150}}}}, {"B", {{"Three", {40, 40}}}}});
        QVERIFY(!enabled(ids::ID_EDIT_PASTE));
        list()->SetSelected(1, true);
        run(ids::ID_EDIT_COPY);
        QVERIFY(!m_doc->IsModified());
        run(ids::ID_EDIT_PASTE);
        run(ids::ID_EDIT_PASTE); // the clipboard keeps what it holds
        QCOMPARE(entries(), (QStringList{"One", "Two", "Two", "Two"}));
        QCOMPARE(theme().GetItem(0, 3)->m_ptPosition, list()->GetItemPosition(3));

        // Nothing selected: the whole tab, pasted in front of the current one.
        for (int i = 0; i < list()->GetItemCount(); ++i)
            list()->SetSelected(i, false);
        run(ids::ID_EDIT_COPY);
        m_view->TabCtrl()->setCurrentIndex(1);
        run(ids::ID_EDIT_PASTE);
        QCOMPARE(tabNames(), (QStringList{"A", "A", "B"}));
        QCOMPARE(m_view->CurrentTab(), 1);
        QCOMPARE(entries().size(), 4);
        QCOMPARE(list()->GetItemPosition(1), QPoint(200, 150));

        // Cut asks nothing, for an item or a tab.
        list()->SetSelected(0, true);
        run(ids::ID_EDIT_CUT);
        QCOMPARE(entries(), (QStringList{"Two", "Two", "Two"}));
        for (int i = 0; i < list()->GetItemCount(); ++i)
            list()->SetSelected(i, false);
        run(ids::ID_EDIT_CUT);
        QCOMPARE(tabNames(), (QStringList{"A", "B"}));
        QVERIFY(m_ui->messages.isEmpty());
        QVERIFY(m_doc->IsModified());
    }

    // Aligning moves every entry; the new places are kept like a drag's.
    void alignStoresPlacesAndMarksTheTheme()
    {
        open({{"A", {{"One", {300, 20}}, {"Two", {200, 150}}, {"Three", {20, 300}}}}});
        run(ids::ID_ALIGN_LEFT);
        QVERIFY(m_doc->IsModified());
        for (int i = 0; i < 3; ++i)
            QCOMPARE(theme().GetItem(0, i)->m_ptPosition, list()->GetItemPosition(i));
        QCOMPARE(list()->GetItemPosition(0).x(), list()->GetItemPosition(1).x());
        run(ids::ID_ALIGN_TOP);
        QCOMPARE(list()->GetItemPosition(0).y(), list()->GetItemPosition(1).y());
        QCOMPARE(theme().GetItem(0, 1)->m_ptPosition, list()->GetItemPosition(1));
    }

    void dropsAndPastedShortcutsBecomeItems()
    {
        open({{"A", {{"One", {20, 20}}}}, {"B", {}}});
        QDir().mkpath(m_env->path("files"));
        const QString desktop = m_env->path("files/editor.desktop");
        QVERIFY(TestEnv::writeAll(desktop, "[Desktop Entry]\nType=Application\nName=My Editor\nExec=true\n"));
        QVERIFY(TestEnv::writeAll(m_env->path("files/notes.txt"), "x"));
        const QPoint listOrigin = list()->viewport()->mapTo(m_view, QPoint(0, 0));

        // Three at one point, in drop order, appended; an address as written.
        dropAt({QUrl::fromLocalFile(m_env->path("files/notes.txt")).toString(), QUrl::fromLocalFile(desktop).toString(),
                "https://example.org/page"},
               listOrigin + QPoint(150, 120));
        QCOMPARE(entries(), (QStringList{"One", "notes.txt", "My Editor", "example.org"}));
        for (int i = 1; i < 4; ++i)
            QCOMPARE(theme().GetItem(0, i)->m_ptPosition, QPoint(150, 120));
        QCOMPARE(theme().GetItem(0, 2)->m_strTarget, desktop);
        QCOMPARE(theme().GetItem(0, 3)->m_strTarget, QString("https://example.org/page"));
        QVERIFY(m_doc->IsModified());

        // Over the tabs, not the list: nothing.
        dropAt({QUrl::fromLocalFile(desktop).toString()}, m_view->TabCtrl()->geometry().center());
        QCOMPARE(entries().size(), 4);

        // Paste Shortcut: enabled by either list format on the clipboard.
        m_view->TabCtrl()->setCurrentIndex(1);
        auto* text = new QMimeData;
        text->setText(desktop);
        QGuiApplication::clipboard()->setMimeData(text);
        QVERIFY(!enabled(ids::ID_PASTE_SHORTCUT));
        auto* copied = new QMimeData;
        copied->setData("x-special/gnome-copied-files", "copy\n" + QUrl::fromLocalFile(desktop).toEncoded());
        QGuiApplication::clipboard()->setMimeData(copied);
        QVERIFY(enabled(ids::ID_PASTE_SHORTCUT));
        run(ids::ID_PASTE_SHORTCUT);
        auto* uris = new QMimeData;
        uris->setUrls({QUrl::fromLocalFile(m_env->path("files/notes.txt"))});
        QGuiApplication::clipboard()->setMimeData(uris);
        run(ids::ID_PASTE_SHORTCUT);
        QCOMPARE(entries(), (QStringList{"My Editor", "notes.txt"}));
        // Pasted shortcuts take free places rather than piling up.
        QVERIFY(theme().GetItem(1, 0)->m_ptPosition != theme().GetItem(1, 1)->m_ptPosition);
        QGuiApplication::clipboard()->clear();
    }
};

QTEST_MAIN(tst_LauncherCommands)
#include "tst_launchercommands.moc"
