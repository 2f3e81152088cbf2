#pragma once
// The list of one tab: large icons with their names at free positions, drawn
// over the tab's background bitmap, and moved by dragging them with the left
// mouse button. Positions are the upper-left corners of the items in the
// list's own coordinates; nothing lays the items out again behind the user's
// back.

#include "theme/Dib.h"

#include <QAbstractScrollArea>
#include <QPixmap>
#include <QPoint>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class CImageList;

class CItemListCtrl : public QAbstractScrollArea
{
    Q_OBJECT
public:
    explicit CItemListCtrl(QWidget* parent = nullptr);
    ~CItemListCtrl() override;

    // Size of an item's cell: the icon spacing of large-icon lists.
    static constexpr int kCellWidth = 75;
    static constexpr int kCellHeight = 75;
    static constexpr int kIconSize = 32;

    void SetImageList(CImageList* images) { m_pImages = images; viewport()->update(); }
    CImageList* GetImageList() const { return m_pImages; }

    // Inserts an entry at a free place; returns its index.
    int InsertItem(int index, const QString& text, int image);
    // Inserts an entry at a known place: no search for a free one.
    int InsertItem(int index, const QString& text, int image, const QPoint& pos);
    void SetItemToolTip(int index, const QString& text);
    QString GetItemToolTip(int index) const;
    bool SetItem(int index, const QString& text, int image);
    bool DeleteItem(int index);
    void DeleteAllItems();
    int GetItemCount() const { return int(m_items.size()); }
    QString GetItemText(int index) const;
    int GetItemImage(int index) const;
    bool SetItemPosition(int index, const QPoint& pos);
    QPoint GetItemPosition(int index) const;
    QRect GetItemRect(int index) const; // in viewport coordinates
    bool IsSelected(int index) const;
    // Sets one entry's state; others keep theirs (several can be selected).
    void SetSelected(int index, bool selected);
    void SelectOnly(int index);
    int GetSelectedCount() const;
    int GetFocusItem() const { return m_nFocus; }
    // A viewport point in the coordinates of the entries' positions.
    QPoint ViewportToContent(const QPoint& p) const { return p + Offset(); }
    // The entry under a viewport point, -1 for none.
    int HitTest(const QPoint& viewportPoint) const;

    // Lays every entry out along the left edge (column after column) or the top.
    void Arrange(bool alignLeft);
    bool IsAlignLeft() const { return m_bAlignLeft; }

    // Loads the background from a bitmap file; true when a bitmap was read.
    // A file that cannot be opened leaves the previous picture.
    bool SetBackground(const QString& path);
    const CDib& Background() const { return m_dib; }

    bool IsDragging() const { return m_pDragImage != nullptr; }

signals:
    // The notifications the list gives its parent.
    void doubleClicked();
    void rightClicked(const QPoint& globalPos);
    void keyDown(int key);
    // Queued: a drag ended; the entry already sits at pos.
    void itemMoved(int index, const QPoint& pos);
    // Enter on the list.
    void returnPressed();

public:
    // Test seam for type-ahead: milliseconds of a monotonic clock.
    using Clock = std::function<qint64()>;
    static Clock SetClock(Clock clock);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    bool viewportEvent(QEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    struct Entry
    {
        QString text;
        int image = -1;
        QPoint pos;
        bool selected = false;
        QString toolTip;
    };

    void BeginDrag(int index, const QPoint& viewportPoint);
    void EndDrag(const QPoint& viewportPoint);
    void CancelDrag();
    QPixmap MakeDragImage(int index) const;
    QPoint FreePosition() const;
    QRect LabelRect(const Entry& e, bool full) const;
    void UpdateScrollBars();
    void ScheduleScrollBars();
    QPoint Offset() const;
    void SelectRange(int from, int to);
    void ScrollTo(int index);
    void TypeAhead(const QString& text);
    void ShowContextMenuAtFocus();

    std::vector<Entry> m_items;
    CImageList* m_pImages = nullptr;
    CDib m_dib;
    bool m_bAlignLeft = false;

    std::unique_ptr<QPixmap> m_pDragImage; // a drag runs exactly while set
    int m_nDragItem = -1;
    QPoint m_ptDragPos;                    // where the drag image stands (viewport)
    int m_nPressItem = -1;
    QPoint m_ptPress;
    int m_nFocus = -1;
    int m_nAnchor = -1;                    // where a Shift+click range starts
    bool m_bScrollBarsPending = false;
    bool m_bBanding = false;               // a rubber band selection runs
    QRect m_rcBand;                        // its rectangle (content coordinates)
    std::vector<char> m_bandBase;          // selection before the band, for Ctrl
    bool m_bPressWasSelected = false;
    QString m_strTyped;                    // type-ahead so far
    qint64 m_nTypedAt = 0;
};
