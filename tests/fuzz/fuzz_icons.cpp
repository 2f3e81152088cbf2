// Icon files: .ico directories and images, and the icon groups of Windows
// programs (resource tree, group, images) turned into .ico bytes.

#include "FuzzSupport.h"
#include "platform/shell/Icons.h"
#include "platform/shell/PeIcons.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    shell::ReadIcoImages(bytes);
    QBuffer buf;
    buf.setData(bytes);
    shell::PeIconDirectory dir;
    if (!buf.open(QIODevice::ReadOnly) || !shell::ReadPeIconDirectory(buf, dir))
        return 0;
    for (int index : {0, 1, -1, -2, int(dir.groups.size()) - 1})
        if (const QByteArray ico = shell::PeIconGroupAsIco(buf, dir, index); !ico.isNull())
            FUZZ_CHECK(!shell::ReadIcoImages(ico).isEmpty() || ico.size() >= 6);
    return 0;
}
