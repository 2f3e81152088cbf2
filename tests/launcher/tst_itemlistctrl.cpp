// The list of one tab: placement, hit testing, dragging, selecting, and the
// background picture under the icons.

#include "TestEnv.h"
#include "TestThemes.h"
#include "launcher/ImageList.h"
#include "launcher/ItemListCtrl.h"

#include <QApplication>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>

#include <memory>

namespace {

// A 32 x 32 icon: transparent, with a green square in the middle.
QIcon greenDotIcon()
{
    QImage img(32, 32, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter(&img).fillRect(QRect(12, 12, 8, 8), QColor(0, 200, 0));
    return QIcon(QPixmap::fromImage(img));
}

QRgb rgbAt(const QImage& img, const QPoint& p)
{
    return img.pixel(p) & 0xFFFFFF;
}

} // namespace

class tst_ItemListCtrl : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<CImageList> m_images;
    std::unique_ptr<CItemListCtrl> m_list;

    QWidget* vp() const { return m_list->viewport(); }
    QPoint iconCentre(int index) const
    {
        const QRect r = m_list->GetItemRect(index);
        return QPoint(r.center().x(), r.top() + 2 + 16);
    }

    // Press on an entry and move far enough for a drag to begin.
    void beginDrag(int index)
    {
        const QPoint from = iconCentre(index);
        QTest::mousePress(vp(), Qt::LeftButton, {}, from);
        QTest::mouseMove(vp(), from + QPoint(QApplication::startDragDistance() + 4, 0));
        QVERIFY(m_list->IsDragging());
    }

    QImage grabViewport() const { return vp()->grab().toImage().convertToFormat(QImage::Format_RGB32); }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnv>();
        m_images = std::make_unique<CImageList>(CItemListCtrl::kIconSize);
        m_images->Add(greenDotIcon());
        m_list = std::make_unique<CItemListCtrl>();
        m_list->SetImageList(m_images.get());
        m_list->resize(420, 320);
        m_list->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_list.get()));
    }

    void cleanup()
    {
        m_list.reset();
        m_images.reset();
        m_env.reset();
    }

    void newEntriesTakeFreeCells()
    {
        for (int i = 0; i < 3; ++i)
            QCOMPARE(m_list->InsertItem(i, QString("E%1").arg(i), 0), i);
        const QSize cell(CItemListCtrl::kCellWidth, CItemListCtrl::kCellHeight);
        for (int i = 0; i < 3; ++i)
            for (int j = i + 1; j < 3; ++j)
                QVERIFY(!QRect(m_list->GetItemPosition(i), cell).intersects(QRect(m_list->GetItemPosition(j), cell)));

        // A cell given up by a moved entry is the next one taken.
        const QPoint first = m_list->GetItemPosition(0);
        QVERIFY(m_list->SetItemPosition(0, QPoint(300, 200)));
        m_list->InsertItem(3, "E3", 0);
        QVERIFY(m_list->GetItemPosition(3) == first && m_list->GetItemPosition(0) == QPoint(300, 200));
        QVERIFY(!m_list->SetItemPosition(9, QPoint(1, 1)));
    }

    void hitTestFindsIconAndLabel()
    {
        m_list->InsertItem(0, "Alpha", 0, QPoint(10, 10));
        m_list->InsertItem(1, "Beta", 0, QPoint(200, 100));
        QCOMPARE(m_list->HitTest(iconCentre(0)), 0);
        const QRect r = m_list->GetItemRect(1);
        QCOMPARE(m_list->HitTest(QPoint(r.center().x(), r.bottom() - 2)), 1); // on the label
        QCOMPARE(m_list->HitTest(QPoint(150, 250)), -1);

        // Overlapping entries: the one drawn last is on top.
        m_list->SetItemPosition(1, QPoint(14, 12));
        QCOMPARE(m_list->HitTest(iconCentre(1)), 1);
    }

    // A drop stores the position in the content, never left of or above it,
    // and tells the view afterwards, posted rather than sent.
    void dropPosition_data()
    {
        QTest::addColumn<int>("scroll");
        QTest::addColumn<QPoint>("release");
        QTest::addColumn<QPoint>("stored");
        QTest::newRow("inside") << 0 << QPoint(250, 180) << QPoint(250, 180);
        QTest::newRow("left") << 0 << QPoint(-5, 60) << QPoint(0, 60);
        QTest::newRow("above") << 0 << QPoint(50, -1) << QPoint(50, 0);
        QTest::newRow("scrolled") << 100 << QPoint(20, 30) << QPoint(120, 30);
    }

    void dropPosition()
    {
        QFETCH(int, scroll);
        QFETCH(QPoint, release);
        QFETCH(QPoint, stored);
        m_list->InsertItem(0, "A", 0);
        m_list->InsertItem(1, "Far", 0);
        m_list->SetItemPosition(0, QPoint(150, 150));
        m_list->SetItemPosition(1, QPoint(900, 20));
        m_list->horizontalScrollBar()->setValue(scroll);
        QSignalSpy moved(m_list.get(), &CItemListCtrl::itemMoved);
        beginDrag(0);
        QCOMPARE(vp()->cursor().shape(), Qt::BlankCursor);
        QTest::mouseMove(vp(), release);
        QTest::mouseRelease(vp(), Qt::LeftButton, {}, release);
        QVERIFY(m_list->GetItemPosition(0) == stored && moved.isEmpty());
        QTRY_COMPARE(moved.count(), 1);
        QVERIFY(moved[0][0].toInt() == 0 && moved[0][1].toPoint() == stored);
        QVERIFY(vp()->cursor().shape() != Qt::BlankCursor);
    }

    // Escape, another tab shown, or the entry deleted: the drag ends, the
    // pointer comes back and the release that follows moves nothing.
    void cancelledDrag_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("escape") << "escape";
        QTest::newRow("hidden") << "hide";
        QTest::newRow("deleted") << "delete";
    }

    void cancelledDrag()
    {
        QFETCH(QString, how);
        m_list->InsertItem(0, "A", 0, QPoint(40, 40));
        QSignalSpy moved(m_list.get(), &CItemListCtrl::itemMoved);
        beginDrag(0);
        QTest::mouseMove(vp(), QPoint(300, 200));
        if (how == "escape")
            QTest::keyClick(m_list.get(), Qt::Key_Escape);
        else if (how == "hide")
            m_list->hide();
        else
            QVERIFY(m_list->DeleteItem(0));
        QVERIFY(!m_list->IsDragging() && vp()->cursor().shape() != Qt::BlankCursor && QWidget::mouseGrabber() != vp());
        QTest::mouseRelease(vp(), Qt::LeftButton, {}, QPoint(300, 200));
        QCoreApplication::processEvents();
        QCOMPARE(moved.count(), 0);
        if (how != "escape")
            return;
        QCOMPARE(m_list->GetItemPosition(0), QPoint(40, 40));
        // And the next drag works as usual.
        beginDrag(0);
        QTest::mouseRelease(vp(), Qt::LeftButton, {}, QPoint(200, 100));
        QTRY_COMPARE(moved.count(), 1);
    }

    // A press moving less than the drag distance only selects; Ctrl+click
    // adds and removes, Shift+click takes a range, a band over the
    // background takes what it touches (Ctrl keeps what was selected).
    void severalEntriesCanBeSelected()
    {
        for (int i = 0; i < 4; ++i)
            m_list->InsertItem(i, QString("E%1").arg(i), 0, QPoint(10 + 90 * i, 10));
        auto selected = [this] {
            QList<int> out;
            for (int i = 0; i < m_list->GetItemCount(); ++i)
                if (m_list->IsSelected(i))
                    out << i;
            return out;
        };
        QSignalSpy moved(m_list.get(), &CItemListCtrl::itemMoved);
        QTest::mousePress(vp(), Qt::LeftButton, {}, iconCentre(0));
        QTest::mouseMove(vp(), iconCentre(0) + QPoint(1, 0));
        QTest::mouseRelease(vp(), Qt::LeftButton, {}, iconCentre(0) + QPoint(1, 0));
        QCoreApplication::processEvents();
        QVERIFY(moved.isEmpty() && m_list->GetItemPosition(0) == QPoint(10, 10));
        QTest::mouseClick(vp(), Qt::LeftButton, Qt::ShiftModifier, iconCentre(2));
        QCOMPARE(selected(), (QList<int>{0, 1, 2}));
        QTest::mouseClick(vp(), Qt::LeftButton, Qt::ControlModifier, iconCentre(1));
        QTest::mouseClick(vp(), Qt::LeftButton, Qt::ControlModifier, iconCentre(3));
        QCOMPARE(selected(), (QList<int>{0, 2, 3}));

        QTest::mousePress(vp(), Qt::LeftButton, {}, QPoint(5, 200));
        QTest::mouseMove(vp(), QPoint(150, 30));
        QTest::mouseRelease(vp(), Qt::LeftButton, {}, QPoint(150, 30));
        QCOMPARE(selected(), (QList<int>{0, 1}));
        QTest::mousePress(vp(), Qt::LeftButton, Qt::ControlModifier, QPoint(400, 200));
        QTest::mouseMove(vp(), QPoint(300, 30));
        QTest::mouseRelease(vp(), Qt::LeftButton, Qt::ControlModifier, QPoint(300, 30));
        QCOMPARE(selected(), (QList<int>{0, 1, 3}));
    }

    // Typed letters find a name; after a second's pause a new name begins.
    void typeAhead()
    {
        for (const char* name : {"Mail", "Music", "Notes", "mutt"})
            m_list->InsertItem(m_list->GetItemCount(), name, 0);
        qint64 now = 0;
        CItemListCtrl::SetClock([&] { return now; });
        QList<int> found;
        QTest::keyClicks(m_list.get(), "mu");
        found << m_list->GetFocusItem();
        QTest::keyClicks(m_list.get(), "t");
        found << m_list->GetFocusItem();
        now += 1500;
        QTest::keyClicks(m_list.get(), "n");
        QCOMPARE(found << m_list->GetFocusItem(), (QList<int>{1, 3, 2}));
        CItemListCtrl::SetClock({});
    }

    // Stretched over the whole list, each pixel to its half; an icon's
    // transparent corner shows the picture, its dot is drawn. A file that
    // cannot be opened leaves the picture as it was, one that is no bitmap
    // leaves none; an empty path clears it.
    void background()
    {
        const QString two = m_env->path("two.bmp"); // red on the left, blue on the right
        QVERIFY(TestEnv::writeAll(two, bmp8(2, 1, {qRgb(255, 0, 0), qRgb(0, 0, 255)}, [](int x, int) { return x; })));
        QVERIFY(m_list->SetBackground(two));
        m_list->InsertItem(0, "", 0, QPoint(20, 100));
        const QImage img = grabViewport();
        const int w = img.width(), h = img.height();
        const QPoint icon(m_list->GetItemRect(0).center().x() - 16, 100 + 2);
        QCOMPARE(QList<QRgb>({rgbAt(img, QPoint(w / 2 - 4, h - 3)), rgbAt(img, QPoint(w / 2 + 4, 3)),
                              rgbAt(img, icon + QPoint(1, 1)), rgbAt(img, icon + QPoint(16, 16))}),
                 (QList<QRgb>{0xFF0000, 0x0000FF, 0xFF0000, 0x00C800}));

        QVERIFY(!m_list->SetBackground(m_env->path("missing.bmp")));
        QCOMPARE(rgbAt(grabViewport(), QPoint(5, 5)), QRgb(0xFF0000));
        const QString junk = m_env->path("junk.bmp");
        QVERIFY(TestEnv::writeAll(junk, "not a bitmap at all") && !m_list->SetBackground(junk));
        QCOMPARE(rgbAt(grabViewport(), QPoint(5, 5)), m_list->palette().color(QPalette::Base).rgb() & 0xFFFFFF);
        QVERIFY(m_list->SetBackground(two) && !m_list->SetBackground(QString()) && m_list->Background().IsEmpty());
    }
};

QTEST_MAIN(tst_ItemListCtrl)
#include "tst_itemlistctrl.moc"
