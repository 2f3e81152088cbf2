// Background pictures: a .bmp (any header, depth or compression) loaded and
// drawn one to one and stretched.

#include "FuzzSupport.h"
#include "theme/Dib.h"

#include <QBuffer>
#include <QPainter>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QBuffer buf;
    buf.setData(reinterpret_cast<const char*>(data), qsizetype(size));
    buf.open(QIODevice::ReadOnly);
    CDib dib;
    if (!dib.LoadFromFile(buf))
        return 0;
    FUZZ_CHECK(dib.m_nWidth > 0 && dib.m_nHeight > 0);
    QImage canvas(16, 16, QImage::Format_RGB32);
    QPainter p(&canvas);
    dib.Draw(&p, QRect(0, 0, 16, 16), QRect(0, 0, dib.m_nWidth, dib.m_nHeight));
    dib.Draw(&p, QRect(0, 0, 4, 4), QRect(1, 1, 4, 4));
    return 0;
}
