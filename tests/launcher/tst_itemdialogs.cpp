// The item and tab dialogs driven directly: what they take from a chosen
// file, the Run choice, Change Icon's stepping and checks.

#include "TestEnv.h"
#include "TestThemes.h"
#include "framework/UpDownCtrl.h"
#include "launcher/ItemDialogs.h"
#include "launcher/TabDialog.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <memory>

namespace {

// A file of five icons, each a flat grey of its own.
constexpr int kIcons = 5;
unsigned fiveIcons(const QString& file, int index, QIcon* large, QIcon*)
{
    if (!file.endsWith("five.icl") || index < -1 || index >= kIcons)
        return 0;
    if (index == -1)
        return kIcons;
    QPixmap pix(32, 32);
    pix.fill(QColor(index * 40, index * 40, index * 40));
    if (large)
        *large = QIcon(pix);
    return 1;
}

int previewGrey(fw::CDialog* d)
{
    const QPixmap pix = d->Item<QLabel>(1065)->pixmap();
    return pix.isNull() ? -1 : qRed(pix.toImage().pixel(16, 16));
}

} // namespace

class tst_ItemDialogs : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<UiStubs> m_ui;

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnv>(), m_ui = std::make_unique<UiStubs>();
        CChangeIconDlg::SetIconExtractor(fiveIcons);
    }

    void cleanup()
    {
        CChangeIconDlg::SetIconExtractor({}), fw::CDialog::SetModalHandler({});
        m_ui.reset(), m_env.reset();
    }

    // The chosen file names the item only when no name was typed.
    void findTargetTakesTheDesktopName()
    {
        const QString desktop = m_env->path("editor.desktop");
        QVERIFY(TestEnv::writeAll(desktop, "[Desktop Entry]\nType=Application\nName=My Editor\nExec=true\n"));
        CAddItemDlg add;
        add.Create();
        m_ui->fileAnswers = {desktop, desktop};
        add.Item<QPushButton>(1004)->click();
        QCOMPARE(add.Item<QLineEdit>(1000)->text() + "|" + add.Item<QLineEdit>(1003)->text(), "My Editor|" + desktop);
        add.Item<QLineEdit>(1000)->setText("Mine");
        add.Item<QPushButton>(1004)->click();
        QCOMPARE(add.Item<QLineEdit>(1000)->text(), QString("Mine"));
    }

    void runChoice_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("picked");
        QTest::addColumn<int>("result");
        QTest::newRow("normal") << 1 << 0 << -1 << 1;
        QTest::newRow("other value kept") << 7 << -1 << -1 << 7;
        QTest::newRow("other value replaced") << 7 << -1 << 1 << 3;
    }

    void runChoice()
    {
        QFETCH(int, stored);
        QFETCH(int, picked);
        CItemPropertiesDlg dlg;
        dlg.m_nShowCmd = stored;
        dlg.Create();
        auto* combo = dlg.Item<QComboBox>(1059);
        QTEST(combo->currentIndex(), "selected");
        if (picked >= 0) {
            combo->setCurrentIndex(picked);
            emit combo->activated(picked);
        }
        dlg.Item<QPushButton>(fw::IDOK)->click();
        QCOMPARE(dlg.Result(), int(fw::IDOK));
        QTEST(dlg.m_nShowCmd, "result");
    }

    // A program without an icon file offers its own icons, even when Change
    // Icon is then cancelled.
    void changeIconFromProperties()
    {
        CItemPropertiesDlg dlg;
        dlg.m_strTarget = "/opt/five.icl"; // not a program: nothing offered
        dlg.Create();
        fw::CDialog::SetModalHandler([](fw::CDialog*) { return int(fw::IDCANCEL); });
        dlg.OnChangeIcon();
        QVERIFY(dlg.m_strIconFile.isEmpty());
        dlg.m_strTarget = "/opt/App.EXE";
        dlg.OnChangeIcon();
        QCOMPARE(dlg.m_strIconFile, dlg.m_strTarget);
    }

    // Stepping stays within the file's icons; a typed name is shown by the
    // first OK, which keeps the dialog open; the checks' messages.
    void changeIconStepsAndChecks()
    {
        CChangeIconDlg dlg;
        dlg.m_nIconIndex = 3;
        dlg.Create();
        auto* ok = dlg.Item<QPushButton>(fw::IDOK);
        ok->click();
        QCOMPARE(m_ui->texts(), QStringList{res::LoadString(ids::IDS_FILE_NAME_REQUIRED)});
        QTest::keyClicks(dlg.Item<QLineEdit>(1068), "/opt/five.icl");
        ok->click();
        QVERIFY(dlg.Result() == 0 && previewGrey(&dlg) == 120);
        for (int step : {1, 1, 1, -1, -1, -1, -1, -1, -1}) {
            dlg.Item<fw::CUpDownCtrl>(1049)->Step(step);
            QVERIFY(dlg.m_nIconIndex >= 0 && dlg.m_nIconIndex < kIcons);
        }
        QCOMPARE(previewGrey(&dlg), 0);
        ok->click();
        QCOMPARE(dlg.Result(), int(fw::IDOK));

        // A file with fewer icons than the index: the message, the old preview.
        QTest::keyClicks(dlg.Item<QLineEdit>(1068), ".txt");
        dlg.m_nIconIndex = 4;
        ok->click();
        QVERIFY(m_ui->texts().last() == res::LoadString(ids::IDS_NO_ICON) && previewGrey(&dlg) == 0);
    }

    void tabDialogFields()
    {
        CAddTabDlg dlg;
        dlg.m_strName = "Games";
        dlg.Create();
        dlg.Item<QLineEdit>(1009)->setText("/typed/by/hand.bmp");
        m_ui->fileAnswers = {QString(), "/pictures/sea.png"};
        dlg.Item<QPushButton>(1004)->click();
        QCOMPARE(dlg.Item<QLineEdit>(1009)->text(), QString("/typed/by/hand.bmp"));
        dlg.Item<QPushButton>(1004)->click();
        // The pictures the tab list can draw are offered.
        QVERIFY(fw::ConvertFilter(m_ui->dialogs.last().filter).contains("*.png"));
        dlg.Item<QLineEdit>(1000)->clear();
        dlg.Item<QPushButton>(fw::IDOK)->click();
        QCOMPARE(dlg.m_strName + "|" + dlg.m_strBackground, QString("|/pictures/sea.png"));
    }
};

QTEST_MAIN(tst_ItemDialogs)
#include "tst_itemdialogs.moc"
