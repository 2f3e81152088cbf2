#include "ItemListCtrl.h"

#include "ImageList.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <QToolTip>

#include <cmath>
#include <unordered_set>

namespace {

constexpr int kLabelMargin = 2;
constexpr int kIconTop = 2;
constexpr int kLabelGap = 4;
constexpr int kGridOrigin = 8;
constexpr qint64 kTypeAheadMs = 1000;

CItemListCtrl::Clock& typeAheadClock()
{
    static CItemListCtrl::Clock c;
    return c;
}

qint64 now()
{
    if (typeAheadClock())
        return typeAheadClock()();
    static QElapsedTimer timer;
    if (!timer.isValid())
        timer.start();
    return timer.elapsed();
}

// A label broken into lines at word boundaries (inside a word only when the
// word alone is too wide); with maxLines the last line is elided.
QStringList labelLines(const QString& text, const QFont& font, int width, int maxLines)
{
    QStringList lines;
    QTextLayout layout(text, font);
    QTextOption option(Qt::AlignHCenter);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        if (maxLines > 0 && lines.size() == maxLines - 1) {
            const QString rest = text.mid(line.textStart()).trimmed();
            lines << QFontMetrics(font).elidedText(rest, Qt::ElideRight, width);
            break;
        }
        lines << text.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    if (lines.isEmpty())
        lines << QString();
    return lines;
}

void drawLabel(QPainter& p, const QRect& r, const QStringList& lines)
{
    const QFontMetrics fm(p.font());
    int y = r.top();
    for (const QString& line : lines) {
        p.drawText(QRect(r.left(), y, r.width(), fm.lineSpacing()), Qt::AlignHCenter | Qt::AlignTop, line);
        y += fm.lineSpacing();
    }
}

} // namespace

CItemListCtrl::CItemListCtrl(QWidget* parent) : QAbstractScrollArea(parent)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken); // the client edge
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

CItemListCtrl::~CItemListCtrl() = default;

QPoint CItemListCtrl::Offset() const
{
    return QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

CItemListCtrl::Clock CItemListCtrl::SetClock(Clock c)
{
    Clock old = std::move(typeAheadClock());
    typeAheadClock() = std::move(c);
    return old;
}

int CItemListCtrl::InsertItem(int index, const QString& text, int image)
{
    return InsertItem(index, text, image, FreePosition());
}

int CItemListCtrl::InsertItem(int index, const QString& text, int image, const QPoint& pos)
{
    if (index < 0 || index > GetItemCount())
        index = GetItemCount();
    Entry e;
    e.text = text;
    e.image = image;
    e.pos = pos;
    m_items.insert(m_items.begin() + index, std::move(e));
    if (m_nFocus >= index)
        ++m_nFocus;
    if (m_nAnchor >= index)
        ++m_nAnchor;
    ScheduleScrollBars();
    viewport()->update();
    return index;
}

void CItemListCtrl::SetItemToolTip(int index, const QString& text)
{
    if (index >= 0 && index < GetItemCount())
        m_items[size_t(index)].toolTip = text;
}

QString CItemListCtrl::GetItemToolTip(int index) const
{
    return index >= 0 && index < GetItemCount() ? m_items[size_t(index)].toolTip : QString();
}

bool CItemListCtrl::SetItem(int index, const QString& text, int image)
{
    if (index < 0 || index >= GetItemCount())
        return false;
    m_items[size_t(index)].text = text;
    if (image >= 0)
        m_items[size_t(index)].image = image;
    viewport()->update();
    return true;
}

bool CItemListCtrl::DeleteItem(int index)
{
    if (index < 0 || index >= GetItemCount())
        return false;
    if (IsDragging())
        CancelDrag();
    m_items.erase(m_items.begin() + index);
    if (m_nFocus == index)
        m_nFocus = -1;
    else if (m_nFocus > index)
        --m_nFocus;
    if (m_nAnchor == index)
        m_nAnchor = -1;
    else if (m_nAnchor > index)
        --m_nAnchor;
    m_nPressItem = -1;
    ScheduleScrollBars();
    viewport()->update();
    return true;
}

void CItemListCtrl::DeleteAllItems()
{
    if (IsDragging())
        CancelDrag();
    m_items.clear();
    m_nFocus = m_nPressItem = m_nAnchor = -1;
    ScheduleScrollBars();
    viewport()->update();
}

QString CItemListCtrl::GetItemText(int index) const
{
    return index >= 0 && index < GetItemCount() ? m_items[size_t(index)].text : QString();
}

int CItemListCtrl::GetItemImage(int index) const
{
    return index >= 0 && index < GetItemCount() ? m_items[size_t(index)].image : -1;
}

bool CItemListCtrl::SetItemPosition(int index, const QPoint& pos)
{
    if (index < 0 || index >= GetItemCount())
        return false;
    m_items[size_t(index)].pos = pos;
    UpdateScrollBars();
    viewport()->update();
    return true;
}

QPoint CItemListCtrl::GetItemPosition(int index) const
{
    return index >= 0 && index < GetItemCount() ? m_items[size_t(index)].pos : QPoint();
}

QRect CItemListCtrl::LabelRect(const Entry& e, bool full) const
{
    const QFontMetrics fm(font());
    const int width = kCellWidth - 2 * kLabelMargin;
    const QStringList lines = labelLines(e.text, font(), width, full ? 0 : 2);
    int w = 1;
    for (const QString& line : lines)
        w = std::max(w, fm.horizontalAdvance(line));
    w = std::min(w + 2, width);
    const int h = int(lines.size()) * fm.lineSpacing();
    return QRect(e.pos.x() + (kCellWidth - w) / 2, e.pos.y() + kIconTop + kIconSize + kLabelGap, w, h);
}

QRect CItemListCtrl::GetItemRect(int index) const
{
    if (index < 0 || index >= GetItemCount())
        return QRect();
    const Entry& e = m_items[size_t(index)];
    const QRect icon(e.pos.x() + (kCellWidth - kIconSize) / 2, e.pos.y() + kIconTop, kIconSize, kIconSize);
    return icon.united(LabelRect(e, e.selected)).translated(-Offset());
}

bool CItemListCtrl::IsSelected(int index) const
{
    return index >= 0 && index < GetItemCount() && m_items[size_t(index)].selected;
}

void CItemListCtrl::SetSelected(int index, bool selected)
{
    if (index < 0 || index >= GetItemCount())
        return;
    m_items[size_t(index)].selected = selected;
    if (selected) {
        m_nFocus = index;
        if (m_nAnchor < 0)
            m_nAnchor = index;
    }
    viewport()->update();
}

int CItemListCtrl::GetSelectedCount() const
{
    int n = 0;
    for (const auto& e : m_items)
        n += e.selected ? 1 : 0;
    return n;
}

void CItemListCtrl::SelectOnly(int index)
{
    for (auto& e : m_items)
        e.selected = false;
    if (index >= 0 && index < GetItemCount()) {
        m_items[size_t(index)].selected = true;
        m_nFocus = index;
    }
    m_nAnchor = m_nFocus;
    viewport()->update();
}

void CItemListCtrl::SelectRange(int from, int to)
{
    if (from < 0)
        from = to;
    for (auto& e : m_items)
        e.selected = false;
    for (int i = std::min(from, to); i <= std::max(from, to) && i < GetItemCount(); ++i)
        if (i >= 0)
            m_items[size_t(i)].selected = true;
    m_nFocus = to;
    viewport()->update();
}

int CItemListCtrl::HitTest(const QPoint& p) const
{
    // The topmost entry wins: the last one drawn.
    for (int i = GetItemCount() - 1; i >= 0; --i)
        if (GetItemRect(i).contains(p))
            return i;
    return -1;
}

QPoint CItemListCtrl::FreePosition() const
{
    const int width = std::max(viewport()->width(), kCellWidth + 2 * kGridOrigin);
    const int columns = std::max(1, (width - kGridOrigin) / kCellWidth);
    // Mark the grid slots every entry overlaps (at most four each), then take
    // the first slot left: linear in the number of entries.
    std::unordered_set<qint64> taken;
    taken.reserve(m_items.size() * 4);
    for (const auto& e : m_items) {
        const int x = e.pos.x() - kGridOrigin, y = e.pos.y() - kGridOrigin;
        const int c0 = int(std::floor(double(x) / kCellWidth));
        const int r0 = int(std::floor(double(y) / kCellHeight));
        for (int r = std::max(0, r0 - 1); r <= r0 + 1; ++r)
            for (int c = std::max(0, c0 - 1); c <= c0 + 1 && c < columns; ++c)
                if (QRect(e.pos, QSize(kCellWidth, kCellHeight))
                        .intersects(QRect(kGridOrigin + c * kCellWidth, kGridOrigin + r * kCellHeight, kCellWidth,
                                          kCellHeight)))
                    taken.insert(qint64(r) * columns + c);
    }
    for (qint64 slot = 0;; ++slot)
        if (!taken.count(slot))
            return QPoint(kGridOrigin + int(slot % columns) * kCellWidth, kGridOrigin + int(slot / columns) * kCellHeight);
}

void CItemListCtrl::Arrange(bool alignLeft)
{
    m_bAlignLeft = alignLeft;
    const int across = alignLeft ? std::max(1, (viewport()->height() - kGridOrigin) / kCellHeight)
                                 : std::max(1, (viewport()->width() - kGridOrigin) / kCellWidth);
    for (int i = 0; i < GetItemCount(); ++i) {
        const int major = i / across, minor = i % across;
        m_items[size_t(i)].pos = alignLeft
            ? QPoint(kGridOrigin + major * kCellWidth, kGridOrigin + minor * kCellHeight)
            : QPoint(kGridOrigin + minor * kCellWidth, kGridOrigin + major * kCellHeight);
    }
    ScheduleScrollBars();
    viewport()->update();
}

bool CItemListCtrl::SetBackground(const QString& path)
{
    if (path.isEmpty()) {
        m_dib.Free();
        viewport()->update();
        return false;
    }
    QFile file(path);
    bool result = false;
    if (file.open(QIODevice::ReadOnly)) {
        result = m_dib.LoadFromFile(file);
        file.close();
    }
    viewport()->repaint();
    return result;
}

// Scroll ranges are worked out once after a run of changes, not per entry.
void CItemListCtrl::ScheduleScrollBars()
{
    if (m_bScrollBarsPending)
        return;
    m_bScrollBarsPending = true;
    QMetaObject::invokeMethod(this, [this] {
        if (m_bScrollBarsPending)
            UpdateScrollBars();
    }, Qt::QueuedConnection);
}

void CItemListCtrl::UpdateScrollBars()
{
    m_bScrollBarsPending = false;
    QRect content;
    for (const auto& e : m_items)
        content |= QRect(e.pos, QSize(kCellWidth, kCellHeight));
    const QSize view = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, content.right() + 1 - view.width()));
    verticalScrollBar()->setRange(0, std::max(0, content.bottom() + 1 - view.height()));
    horizontalScrollBar()->setPageStep(view.width());
    verticalScrollBar()->setPageStep(view.height());
    horizontalScrollBar()->setSingleStep(kCellWidth / 3);
    verticalScrollBar()->setSingleStep(kCellHeight / 3);
}

void CItemListCtrl::resizeEvent(QResizeEvent* e)
{
    QAbstractScrollArea::resizeEvent(e);
    UpdateScrollBars();
}

void CItemListCtrl::scrollContentsBy(int, int)
{
    viewport()->update();
}

void CItemListCtrl::paintEvent(QPaintEvent*)
{
    if (m_bScrollBarsPending)
        UpdateScrollBars();
    QPainter p(viewport());
    const QRect client = viewport()->rect();
    if (m_dib.IsEmpty())
        p.fillRect(client, palette().color(QPalette::Base));
    else
        m_dib.Draw(&p, client, QRect(0, 0, m_dib.m_nWidth, m_dib.m_nHeight));

    const QPoint off = Offset();
    const bool focused = hasFocus();
    for (int i = 0; i < GetItemCount(); ++i) {
        const Entry& e = m_items[size_t(i)];
        const QRect icon(e.pos.x() + (kCellWidth - kIconSize) / 2 - off.x(), e.pos.y() + kIconTop - off.y(),
                         kIconSize, kIconSize);
        if (!icon.adjusted(-kCellWidth, 0, kCellWidth, kCellHeight).intersects(client))
            continue;
        QPixmap pix = m_pImages ? m_pImages->GetImage(e.image) : QPixmap();
        if (!pix.isNull()) {
            if (e.selected) {
                // Selected icons are tinted with the highlight colour.
                QPixmap tinted(pix.size());
                tinted.setDevicePixelRatio(pix.devicePixelRatio());
                tinted.fill(Qt::transparent);
                QPainter tp(&tinted);
                tp.drawPixmap(0, 0, pix);
                tp.setCompositionMode(QPainter::CompositionMode_SourceAtop);
                QColor hl = palette().color(QPalette::Highlight);
                hl.setAlpha(110);
                tp.fillRect(tinted.rect(), hl);
                tp.end();
                pix = tinted;
            }
            p.drawPixmap(icon, pix);
        }
        const QRect label = LabelRect(e, e.selected).translated(-off);
        if (e.selected) {
            p.fillRect(label.adjusted(-1, 0, 1, 0), palette().color(focused ? QPalette::Highlight : QPalette::Button));
            p.setPen(palette().color(focused ? QPalette::HighlightedText : QPalette::ButtonText));
        } else {
            p.setPen(palette().color(QPalette::Text));
        }
        drawLabel(p, label, labelLines(e.text, font(), kCellWidth - 2 * kLabelMargin, e.selected ? 0 : 2));
        if (focused && i == m_nFocus)
            p.drawRect(label.adjusted(-1, 0, 0, -1));
    }
    if (m_pDragImage) {
        p.setOpacity(0.6);
        p.drawPixmap(m_ptDragPos, *m_pDragImage);
    }
    if (m_bBanding) {
        QColor hl = palette().color(QPalette::Highlight);
        p.setPen(hl);
        hl.setAlpha(60);
        p.setBrush(hl);
        p.drawRect(m_rcBand.normalized().translated(-off));
    }
}

QPixmap CItemListCtrl::MakeDragImage(int index) const
{
    const Entry& e = m_items[size_t(index)];
    const QRect label = LabelRect(e, false);
    const qreal dpr = devicePixelRatioF();
    QPixmap img(QSize(kCellWidth, label.bottom() - e.pos.y() + 2) * dpr);
    img.setDevicePixelRatio(dpr);
    img.fill(Qt::transparent);
    QPainter p(&img);
    const QPixmap pix = m_pImages ? m_pImages->GetImage(e.image) : QPixmap();
    if (!pix.isNull())
        p.drawPixmap(QRect((kCellWidth - kIconSize) / 2, kIconTop, kIconSize, kIconSize), pix);
    p.setPen(palette().color(QPalette::Text));
    drawLabel(p, label.translated(-e.pos), labelLines(e.text, font(), kCellWidth - 2 * kLabelMargin, 2));
    return img;
}

void CItemListCtrl::BeginDrag(int index, const QPoint& at)
{
    m_nDragItem = index;
    m_pDragImage = std::make_unique<QPixmap>(MakeDragImage(index));
    m_ptDragPos = at;
    // The pointer hides while the image stands in for it.
    viewport()->grabMouse(QCursor(Qt::BlankCursor));
    viewport()->setCursor(Qt::BlankCursor);
    viewport()->update();
}

void CItemListCtrl::EndDrag(const QPoint& at)
{
    viewport()->releaseMouse();
    viewport()->unsetCursor();
    // Above or left of the list the entry stops at the edge.
    const QPoint content = at + Offset();
    const QPoint pos(std::max(0, content.x()), std::max(0, content.y()));
    const int index = m_nDragItem;
    m_pDragImage.reset();
    m_nDragItem = -1;
    SetItemPosition(index, pos);
    viewport()->repaint();
    QMetaObject::invokeMethod(this, [this, index, pos] { emit itemMoved(index, pos); }, Qt::QueuedConnection);
}

void CItemListCtrl::CancelDrag()
{
    if (!m_pDragImage)
        return;
    viewport()->releaseMouse();
    viewport()->unsetCursor();
    m_pDragImage.reset();
    m_nDragItem = -1;
    m_nPressItem = -1;
    viewport()->update();
}

void CItemListCtrl::mousePressEvent(QMouseEvent* e)
{
    setFocus(Qt::MouseFocusReason);
    const QPoint at = e->position().toPoint();
    const int hit = HitTest(at);
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    const bool shift = e->modifiers() & Qt::ShiftModifier;
    if (e->button() == Qt::LeftButton) {
        m_nPressItem = -1;
        m_ptPress = at;
        if (hit < 0) {
            // On the background: a rubber band; Ctrl adds to what was selected.
            if (!ctrl)
                SelectOnly(-1);
            m_bandBase.assign(m_items.size(), 0);
            for (size_t i = 0; i < m_items.size(); ++i)
                m_bandBase[i] = m_items[i].selected;
            m_bBanding = true;
            m_rcBand = QRect(at + Offset(), QSize(0, 0));
            return;
        }
        if (shift) {
            SelectRange(m_nAnchor, hit);
        } else if (ctrl) {
            SetSelected(hit, !IsSelected(hit));
            m_nFocus = m_nAnchor = hit;
        } else {
            // A press on a selected entry keeps the selection until release,
            // so the entry can be dragged.
            m_bPressWasSelected = IsSelected(hit);
            if (!m_bPressWasSelected)
                SelectOnly(hit);
            m_nPressItem = hit;
        }
    } else if (e->button() == Qt::RightButton) {
        if (hit >= 0 && !IsSelected(hit))
            SelectOnly(hit);
    }
}

void CItemListCtrl::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint at = e->position().toPoint();
    if (m_pDragImage) {
        m_ptDragPos = at;
        viewport()->update();
        return;
    }
    if (m_bBanding) {
        m_rcBand.setBottomRight(at + Offset());
        const QRect band = m_rcBand.normalized().translated(-Offset());
        for (int i = 0; i < GetItemCount(); ++i) {
            const bool base = size_t(i) < m_bandBase.size() && m_bandBase[size_t(i)];
            m_items[size_t(i)].selected = base || GetItemRect(i).intersects(band);
        }
        viewport()->update();
        return;
    }
    if (m_nPressItem >= 0 && (e->buttons() & Qt::LeftButton)
        && (at - m_ptPress).manhattanLength() >= QApplication::startDragDistance())
        BeginDrag(m_nPressItem, m_ptPress);
}

void CItemListCtrl::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) {
        if (m_pDragImage)
            EndDrag(e->position().toPoint());
        else if (m_nPressItem >= 0 && m_bPressWasSelected)
            SelectOnly(m_nPressItem);
        if (m_bBanding) {
            m_bBanding = false;
            m_bandBase.clear();
            viewport()->update();
        }
        m_nPressItem = -1;
        m_bPressWasSelected = false;
    } else if (e->button() == Qt::RightButton) {
        emit rightClicked(e->globalPosition().toPoint());
    }
}

void CItemListCtrl::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) {
        SelectOnly(HitTest(e->position().toPoint()));
        emit doubleClicked();
    }
}

void CItemListCtrl::keyPressEvent(QKeyEvent* e)
{
    if (m_pDragImage) {
        if (e->key() == Qt::Key_Escape)
            CancelDrag();
        return;
    }
    const int key = e->key();
    if (key == Qt::Key_Menu || (key == Qt::Key_F10 && (e->modifiers() & Qt::ShiftModifier))) {
        ShowContextMenuAtFocus();
        return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        emit returnPressed();
        return;
    }
    // Arrow keys walk to the nearest entry in their direction.
    if ((key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down)
        && GetItemCount() > 0) {
        if (m_nFocus < 0) {
            SelectOnly(0);
        } else {
            const QPoint from = m_items[size_t(m_nFocus)].pos;
            int best = -1;
            long bestScore = 0;
            for (int i = 0; i < GetItemCount(); ++i) {
                const QPoint d = m_items[size_t(i)].pos - from;
                const bool ahead = (key == Qt::Key_Left && d.x() < 0) || (key == Qt::Key_Right && d.x() > 0)
                    || (key == Qt::Key_Up && d.y() < 0) || (key == Qt::Key_Down && d.y() > 0);
                if (!ahead)
                    continue;
                const bool horizontal = key == Qt::Key_Left || key == Qt::Key_Right;
                const long along = horizontal ? std::abs(d.x()) : std::abs(d.y());
                const long across = horizontal ? std::abs(d.y()) : std::abs(d.x());
                const long score = along + 3 * across;
                if (best < 0 || score < bestScore) {
                    best = i;
                    bestScore = score;
                }
            }
            if (best >= 0)
                SelectOnly(best);
        }
        ScrollTo(m_nFocus);
        return;
    }
    const QString text = e->text();
    if (!text.isEmpty() && text.at(0).isPrint() && !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        TypeAhead(text);
        return;
    }
    emit keyDown(key);
}

void CItemListCtrl::ScrollTo(int index)
{
    if (index < 0)
        return;
    if (m_bScrollBarsPending)
        UpdateScrollBars();
    const QRect r = GetItemRect(index);
    if (!viewport()->rect().contains(r)) {
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + std::min(0, r.left()) + std::max(0, r.right() - viewport()->width()));
        verticalScrollBar()->setValue(verticalScrollBar()->value() + std::min(0, r.top()) + std::max(0, r.bottom() - viewport()->height()));
    }
}

// Typed letters select the first entry whose name starts with them; a pause
// of a second starts a new name.
void CItemListCtrl::TypeAhead(const QString& text)
{
    const qint64 t = now();
    if (t - m_nTypedAt > kTypeAheadMs)
        m_strTyped.clear();
    m_nTypedAt = t;
    if (m_strTyped.size() < 256)
        m_strTyped += text;
    for (int i = 0; i < GetItemCount(); ++i)
        if (m_items[size_t(i)].text.startsWith(m_strTyped, Qt::CaseInsensitive)) {
            SelectOnly(i);
            ScrollTo(i);
            return;
        }
}

void CItemListCtrl::ShowContextMenuAtFocus()
{
    int index = m_nFocus >= 0 && IsSelected(m_nFocus) ? m_nFocus : -1;
    for (int i = 0; index < 0 && i < GetItemCount(); ++i)
        if (IsSelected(i))
            index = i;
    QPoint at = viewport()->rect().center();
    if (index >= 0) {
        ScrollTo(index);
        at = GetItemRect(index).center();
    }
    emit rightClicked(viewport()->mapToGlobal(at));
}

void CItemListCtrl::focusOutEvent(QFocusEvent* e)
{
    CancelDrag();
    QAbstractScrollArea::focusOutEvent(e);
    viewport()->update();
}

bool CItemListCtrl::viewportEvent(QEvent* e)
{
    // A drag whose window lost the pointer or the focus is over.
    if (e->type() == QEvent::WindowDeactivate || e->type() == QEvent::Hide)
        CancelDrag();
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        const int hit = HitTest(help->pos());
        const QString tip = GetItemToolTip(hit);
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, viewport(), GetItemRect(hit));
        return true;
    }
    return QAbstractScrollArea::viewportEvent(e);
}
