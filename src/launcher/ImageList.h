#pragma once
// The icons a tab's list shows. Images are only ever appended: refreshing an
// item's icon adds a new image and leaves the old one in place. Pictures are
// made at the screen's pixel ratio so icons stay sharp on scaled screens.

#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <vector>

class CImageList
{
public:
    explicit CImageList(int size = 32) : m_nSize(size) {}

    // Appends the icon at the list's size; returns its index, -1 for a null
    // icon. A disabled icon is the greyed picture the desktop makes of it.
    int Add(const QIcon& icon, qreal devicePixelRatio = 1.0, bool disabled = false)
    {
        if (icon.isNull())
            return -1;
        QPixmap pix = icon.pixmap(QSize(m_nSize, m_nSize), devicePixelRatio, disabled ? QIcon::Disabled : QIcon::Normal);
        if (disabled) {
            // Greyed and faded, so it reads as "not there" on any background.
            QPixmap faded(pix.size());
            faded.setDevicePixelRatio(pix.devicePixelRatio());
            faded.fill(Qt::transparent);
            QPainter p(&faded);
            p.setOpacity(0.4);
            p.drawPixmap(0, 0, pix);
            p.end();
            pix = faded;
        }
        m_images.push_back(pix);
        return int(m_images.size()) - 1;
    }
    QPixmap GetImage(int index) const
    {
        return index >= 0 && index < int(m_images.size()) ? m_images[size_t(index)] : QPixmap();
    }
    int GetImageCount() const { return int(m_images.size()); }
    int GetSize() const { return m_nSize; }

private:
    int m_nSize;
    std::vector<QPixmap> m_images;
};
