#pragma once
// The icons a tab's list shows. Images are only ever appended: refreshing an
// item's icon adds a new image and leaves the old one in place.

#include <QIcon>
#include <QPixmap>
#include <vector>

class CImageList
{
public:
    explicit CImageList(int size = 32) : m_nSize(size) {}

    // Appends the icon at the list's size; returns its index, -1 for a null icon.
    int Add(const QIcon& icon)
    {
        if (icon.isNull())
            return -1;
        m_images.push_back(icon.pixmap(m_nSize, m_nSize));
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
