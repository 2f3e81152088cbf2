#include "ItemListCtrl.h"

#include "ImageList.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>

namespace {

constexpr int kLabelMargin = 2;
constexpr int kIconTop = 2;
constexpr int kLabelGap = 4;
constexpr int kGridOrigin = 8;

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

int CItemListCtrl::InsertItem(int index, const QString& text, int image)
{
    if (index < 0 || index > GetItemCount())
        index = GetItemCount();
    Entry e;
    e.text = text;
    e.image = image;
    e.pos = FreePosition();
    m_items.insert(m_items.begin() + index, e);
    if (m_nFocus >= index)
        ++m_nFocus;
    UpdateScrollBars();
    viewport()->update();
    return index;
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
    m_nPressItem = -1;
    UpdateScrollBars();
    viewport()->update();
    return true;
}

void CItemListCtrl::DeleteAllItems()
{
    if (IsDragging())
        CancelDrag();
    m_items.clear();
    m_nFocus = m_nPressItem = -1;
    UpdateScrollBars();
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
    // One entry at a time can be selected.
    if (selected)
        for (auto& e : m_items)
            e.selected = false;
    m_items[size_t(index)].selected = selected;
    if (selected)
        m_nFocus = index;
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
    for (int slot = 0; slot < 100000; ++slot) {
        const QPoint p(kGridOrigin + (slot % columns) * kCellWidth, kGridOrigin + (slot / columns) * kCellHeight);
        const QRect cell(p, QSize(kCellWidth, kCellHeight));
        bool taken = false;
        for (const auto& e : m_items) {
            if (QRect(e.pos, QSize(kCellWidth, kCellHeight)).intersects(cell)) {
                taken = true;
                break;
            }
        }
        if (!taken)
            return p;
    }
    return QPoint(kGridOrigin, kGridOrigin);
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
    UpdateScrollBars();
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

void CItemListCtrl::UpdateScrollBars()
{
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
}

QPixmap CItemListCtrl::MakeDragImage(int index) const
{
    const Entry& e = m_items[size_t(index)];
    const QRect label = LabelRect(e, false);
    QPixmap img(kCellWidth, label.bottom() - e.pos.y() + 2);
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
    const int hit = HitTest(e->position().toPoint());
    if (e->button() == Qt::LeftButton) {
        SelectOnly(hit);
        m_nPressItem = hit;
        m_ptPress = e->position().toPoint();
    } else if (e->button() == Qt::RightButton) {
        if (hit >= 0)
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
    if (m_nPressItem >= 0 && (e->buttons() & Qt::LeftButton)
        && (at - m_ptPress).manhattanLength() >= QApplication::startDragDistance())
        BeginDrag(m_nPressItem, m_ptPress);
}

void CItemListCtrl::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) {
        if (m_pDragImage)
            EndDrag(e->position().toPoint());
        m_nPressItem = -1;
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
    // Arrow keys walk to the nearest entry in their direction.
    const int key = e->key();
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
        if (m_nFocus >= 0) {
            const QRect r = GetItemRect(m_nFocus);
            if (!viewport()->rect().contains(r)) {
                horizontalScrollBar()->setValue(horizontalScrollBar()->value() + std::min(0, r.left()) + std::max(0, r.right() - viewport()->width()));
                verticalScrollBar()->setValue(verticalScrollBar()->value() + std::min(0, r.top()) + std::max(0, r.bottom() - viewport()->height()));
            }
        }
        return;
    }
    emit keyDown(key);
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
    return QAbstractScrollArea::viewportEvent(e);
}
