#include "platform/shell/Icons.h"

#include "platform/shell/DesktopEntry.h"
#include "platform/shell/Execute.h"
#include "platform/shell/FileCache.h"
#include "platform/shell/MimeApps.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QMimeDatabase>
#include <QPixmap>
#include <QStyle>
#include <QtEndian>
#include <algorithm>

namespace shell {

namespace {

constexpr int kMaxIcoSide = 1024;

quint16 U16(const QByteArray& d, qint64 at)
{
    return at >= 0 && at + 2 <= d.size() ? qFromLittleEndian<quint16>(d.constData() + at) : 0;
}

quint32 U32(const QByteArray& d, qint64 at)
{
    return at >= 0 && at + 4 <= d.size() ? qFromLittleEndian<quint32>(d.constData() + at) : 0;
}

// One image of an .ico file stored as a bitmap: colour bits (rows bottom-up)
// followed by a 1-bit transparency mask.
QImage DecodeIcoBitmap(const QByteArray& d)
{
    if (d.size() < 40 || U32(d, 0) < 40)
        return {};
    const qint64 header = U32(d, 0);
    const qint64 w = qint32(U32(d, 4));
    const qint64 h = qint32(U32(d, 8)) / 2; // colour and mask rows together
    const int bits = U16(d, 14);
    if (w <= 0 || h <= 0 || w > kMaxIcoSide || h > kMaxIcoSide || U32(d, 16) != 0)
        return {};
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        return {};
    qint64 colours = U32(d, 32);
    if (colours == 0 && bits <= 8)
        colours = qint64(1) << bits;
    if (bits > 8)
        colours = 0;
    if (colours > 256)
        return {};
    const qint64 stride = ((w * bits + 31) / 32) * 4;
    const qint64 maskStride = ((w + 31) / 32) * 4;
    const qint64 bitsAt = header + colours * 4;
    const qint64 maskAt = bitsAt + stride * h;
    const bool hasMask = maskAt + maskStride * h <= d.size();
    if (maskAt > d.size())
        return {};

    QList<QRgb> table;
    for (qint64 i = 0; i < colours; ++i) {
        const auto* e = reinterpret_cast<const uchar*>(d.constData() + header + i * 4);
        table << qRgb(e[2], e[1], e[0]);
    }
    while (bits <= 8 && table.size() < (1 << bits))
        table << qRgb(0, 0, 0);

    QImage img(int(w), int(h), QImage::Format_ARGB32);
    bool anyAlpha = false;
    for (qint64 y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const uchar*>(d.constData() + bitsAt + stride * (h - 1 - y));
        auto* out = reinterpret_cast<QRgb*>(img.scanLine(int(y)));
        for (qint64 x = 0; x < w; ++x) {
            switch (bits) {
            case 1: out[x] = table[(row[x >> 3] >> (7 - (x & 7))) & 1]; break;
            case 4: out[x] = table[(x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4)]; break;
            case 8: out[x] = table[row[x]]; break;
            case 24: out[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]); break;
            case 32:
                out[x] = qRgba(row[4 * x + 2], row[4 * x + 1], row[4 * x], row[4 * x + 3]);
                anyAlpha = anyAlpha || row[4 * x + 3] != 0;
                break;
            }
        }
    }
    // Without an alpha channel of its own, the mask says what is see-through.
    if (!anyAlpha && hasMask) {
        for (qint64 y = 0; y < h; ++y) {
            const auto* m = reinterpret_cast<const uchar*>(d.constData() + maskAt + maskStride * (h - 1 - y));
            auto* out = reinterpret_cast<QRgb*>(img.scanLine(int(y)));
            for (qint64 x = 0; x < w; ++x)
                if ((m[x >> 3] >> (7 - (x & 7))) & 1)
                    out[x] = qRgba(0, 0, 0, 0);
        }
    }
    return img;
}

QImage ScaledTo(const QImage& img, int size)
{
    if (img.width() == size && img.height() == size)
        return img;
    return img.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

// The picture for a size: that size, else the nearest larger one scaled
// down, else the largest scaled up.
QImage PickFor(const QList<QImage>& images, int size)
{
    auto side = [](const QImage& i) { return qMax(i.width(), i.height()); };
    const QImage* best = nullptr;
    for (const QImage& i : images) {
        if (side(i) == size)
            return i;
        if (side(i) > size && (!best || side(i) < side(*best)))
            best = &i;
    }
    if (!best)
        for (const QImage& i : images)
            if (!best || side(i) > side(*best))
                best = &i;
    return best ? ScaledTo(*best, size) : QImage();
}

bool HaveGui()
{
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

// An icon with pictures for the large and the small size at least.
QIcon IconFromImages(const QList<QImage>& images, int onlySize = 0)
{
    if (images.isEmpty() || !HaveGui())
        return {};
    QIcon icon;
    if (onlySize) {
        icon.addPixmap(QPixmap::fromImage(PickFor(images, onlySize)));
        return icon;
    }
    for (const QImage& i : images)
        icon.addPixmap(QPixmap::fromImage(i));
    for (int size : {kSmallIconSize, kLargeIconSize})
        if (std::none_of(images.begin(), images.end(), [&](const QImage& i) { return i.width() == size; }))
            icon.addPixmap(QPixmap::fromImage(PickFor(images, size)));
    return icon;
}

bool IsPictureSuffix(const QString& suffix)
{
    static const QStringList pictures = {QStringLiteral("png"), QStringLiteral("xpm"), QStringLiteral("bmp"),
                                         QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("gif")};
    return pictures.contains(suffix.toLower());
}

bool IsSvgSuffix(const QString& suffix)
{
    return suffix.compare(QStringLiteral("svg"), Qt::CaseInsensitive) == 0 ||
           suffix.compare(QStringLiteral("svgz"), Qt::CaseInsensitive) == 0;
}

// The pictures of an icon file, read once while the file is unchanged.
QList<QImage> FileImages(const QString& path)
{
    static FileCache<QList<QImage>> cache;
    return cache.Get(path, [](const QString& p) -> QList<QImage> {
        const QFileInfo fi(p);
        if (!fi.isFile())
            return {};
        const QString suffix = fi.suffix().toLower();
        if (suffix == u"ico" || suffix == u"cur") {
            QFile f(p);
            if (!f.open(QIODevice::ReadOnly) || f.size() > 16 * 1024 * 1024)
                return {};
            return ReadIcoImages(f.readAll());
        }
        if (IsPictureSuffix(suffix)) {
            QImageReader reader(p);
            reader.setAutoTransform(false);
            const QSize s = reader.size();
            if (s.isValid() && (s.width() > 4096 || s.height() > 4096))
                return {};
            QImage img = reader.read();
            if (img.isNull())
                return {};
            return {img};
        }
        return {};
    });
}

QIcon ThemeIcon(const QString& name)
{
    EnsureIconTheme();
    if (name.isEmpty() || !QIcon::hasThemeIcon(name))
        return {};
    return QIcon::fromTheme(name);
}

QIcon StockIcon(QStyle::StandardPixmap which)
{
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    return app && app->style() ? app->style()->standardIcon(which) : QIcon();
}

QString MimeName(const QString& path, bool exists)
{
    static FileCache<QString> cache;
    if (!exists) {
        static QMimeDatabase db;
        return db.mimeTypeForFile(path, QMimeDatabase::MatchExtension).name();
    }
    return cache.Get(path, [](const QString& p) {
        static QMimeDatabase db;
        return db.mimeTypeForFile(p).name();
    });
}

QIcon TypeIcon(const QString& path, bool exists)
{
    if (exists)
        return ThemeIcon(FileTypeIconName(path));
    static QMimeDatabase db;
    const QMimeType mt = db.mimeTypeForName(MimeName(path, false));
    QIcon icon = ThemeIcon(mt.iconName());
    return icon.isNull() ? ThemeIcon(mt.genericIconName()) : icon;
}

// A theme icon name as written in an Icon= key or the icon-file field; a
// name with a picture suffix is tried without it too.
QIcon IconByName(const QString& name)
{
    QIcon icon = ThemeIcon(name);
    if (icon.isNull()) {
        const QFileInfo fi(name);
        if (IsPictureSuffix(fi.suffix()) || IsSvgSuffix(fi.suffix()))
            icon = ThemeIcon(fi.completeBaseName());
    }
    return icon;
}

} // namespace

void EnsureIconTheme()
{
    static bool done = false;
    if (done || !HaveGui())
        return;
    done = true;
    QStringList paths = QIcon::themeSearchPaths();
    QStringList wanted;
    QString dataHome = QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME"));
    if (dataHome.isEmpty())
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    wanted << dataHome + QStringLiteral("/icons") << QDir::homePath() + QStringLiteral("/.icons");
    QString dataDirs = QString::fromLocal8Bit(qgetenv("XDG_DATA_DIRS"));
    if (dataDirs.isEmpty())
        dataDirs = QStringLiteral("/usr/local/share:/usr/share");
    for (const QString& d : dataDirs.split(u':', Qt::SkipEmptyParts))
        wanted << d + QStringLiteral("/icons");
    for (const QString& w : wanted)
        if (!paths.contains(w))
            paths << w;
    QIcon::setThemeSearchPaths(paths);
    QStringList fallback = QIcon::fallbackSearchPaths();
    if (!fallback.contains(QStringLiteral("/usr/share/pixmaps")))
        QIcon::setFallbackSearchPaths(fallback << QStringLiteral("/usr/share/pixmaps"));

    const QString current = QIcon::themeName();
    if (!current.isEmpty() && current != u"hicolor")
        return;
    // A bare session (no desktop settings) names no theme: take one that is
    // installed, so type and program icons still appear.
    static const QStringList candidates = {QStringLiteral("Adwaita"), QStringLiteral("breeze"),
                                           QStringLiteral("Papirus"), QStringLiteral("elementary"),
                                           QStringLiteral("oxygen"),  QStringLiteral("Tango"),
                                           QStringLiteral("gnome"),   QStringLiteral("hicolor")};
    for (const QString& theme : candidates)
        for (const QString& p : paths)
            if (QFileInfo::exists(p + u'/' + theme + QStringLiteral("/index.theme"))) {
                QIcon::setThemeName(theme);
                return;
            }
}

QIcon LoadAppIcon(int id, int size)
{
    if (!HaveGui())
        return {};
    static QHash<int, QList<QImage>> cache;
    auto it = cache.find(id);
    if (it == cache.end()) {
        QList<QImage> images;
        const QDir dir(QStringLiteral(":/icons"));
        const QString base = QString::number(id);
        for (const QString& f : dir.entryList({base + QStringLiteral(".png"), base + QStringLiteral("-*.png")})) {
            const QImage img(dir.filePath(f));
            if (!img.isNull())
                images << img;
        }
        it = cache.insert(id, images);
    }
    return IconFromImages(*it, size);
}

QList<QImage> ReadIcoImages(const QByteArray& bytes)
{
    if (bytes.size() < 6 || U16(bytes, 0) != 0 || (U16(bytes, 2) != 1 && U16(bytes, 2) != 2))
        return {};
    const int count = U16(bytes, 4);
    if (count == 0 || 6 + qint64(count) * 16 > bytes.size())
        return {};
    struct Found
    {
        QImage image;
        int depth;
    };
    QList<Found> found;
    for (int i = 0; i < count; ++i) {
        const qint64 e = 6 + qint64(i) * 16;
        const int depth = U16(bytes, e + 6);
        const qint64 size = U32(bytes, e + 8);
        const qint64 offset = U32(bytes, e + 12);
        if (size <= 0 || offset < 6 || offset + size > bytes.size())
            continue;
        const QByteArray data = bytes.mid(offset, size);
        QImage img;
        if (data.startsWith("\x89PNG")) {
            img = QImage::fromData(data, "PNG");
            if (img.width() > kMaxIcoSide || img.height() > kMaxIcoSide)
                img = QImage();
        } else {
            img = DecodeIcoBitmap(data);
        }
        if (img.isNull())
            continue;
        const int d = depth ? depth : U16(data, 14);
        auto same = std::find_if(found.begin(), found.end(), [&](const Found& f) { return f.image.size() == img.size(); });
        if (same == found.end())
            found.append({img, d});
        else if (d > same->depth)
            *same = {img, d};
    }
    QList<QImage> images;
    for (const Found& f : found)
        images << f.image;
    return images;
}

unsigned ExtractIconEx(const QString& iconFile, int index, QIcon* large, QIcon* small)
{
    if (iconFile.isEmpty() || !HaveGui())
        return 0;
    const QFileInfo fi(iconFile);
    QIcon icon;
    QList<QImage> images;
    if (fi.isFile()) {
        const QString suffix = fi.suffix().toLower();
        if (index != 0)
            return 0; // every kind of icon file here holds a single icon
        if (suffix == u"desktop") {
            const auto entry = CachedDesktopEntry(fi.absoluteFilePath());
            const QString spec = entry ? entry->Icon() : QString();
            if (spec.isEmpty() || spec == fi.absoluteFilePath() || spec.endsWith(QStringLiteral(".desktop")))
                return 0;
            return ExtractIconEx(spec, 0, large, small);
        }
        if (IsSvgSuffix(suffix)) {
            QIcon svg(fi.absoluteFilePath());
            if (svg.pixmap(kLargeIconSize).isNull())
                return 0;
            icon = svg;
        } else {
            images = FileImages(fi.absoluteFilePath());
            if (images.isEmpty())
                return 0;
        }
    } else if (fi.exists() || iconFile.contains(u'/')) {
        return 0; // a folder, or a path that is not there
    } else {
        if (index != 0)
            return 0;
        icon = IconByName(iconFile);
        if (icon.isNull())
            return 0;
    }
    if (large)
        *large = images.isEmpty() ? icon : IconFromImages(images);
    if (small)
        *small = images.isEmpty() ? icon : IconFromImages(images, kSmallIconSize);
    return 1;
}

QIcon ExtractIcon(const QString& iconFile, int index)
{
    QIcon icon;
    ExtractIconEx(iconFile, index, &icon, nullptr);
    return icon;
}

QString FileTypeIconName(const QString& path)
{
    EnsureIconTheme();
    const QFileInfo fi(path);
    if (path.isEmpty() || !fi.exists())
        return QString();
    QStringList names;
    if (fi.isDir()) {
        names << QStringLiteral("folder") << QStringLiteral("inode-directory");
    } else if (IsProgramFile(fi.absoluteFilePath())) {
        names << QStringLiteral("application-x-executable");
    } else {
        static QMimeDatabase db;
        const QMimeType mt = db.mimeTypeForName(MimeName(fi.absoluteFilePath(), true));
        names << mt.iconName() << mt.genericIconName();
    }
    names << QStringLiteral("unknown") << QStringLiteral("text-x-generic");
    for (const QString& n : names)
        if (!n.isEmpty() && QIcon::hasThemeIcon(n))
            return n;
    return QString();
}

QIcon AssociatedIcon(const QString& target)
{
    if (!HaveGui())
        return {};
    const QString path = ResolveTarget(target);
    if (!path.isEmpty()) {
        const QFileInfo fi(path);
        if (fi.isFile() && fi.suffix().compare(QStringLiteral("desktop"), Qt::CaseInsensitive) == 0) {
            const QIcon own = ExtractIcon(path, 0);
            if (!own.isNull())
                return own;
        }
        QIcon icon = TypeIcon(path, true);
        if (icon.isNull())
            icon = StockIcon(fi.isDir() ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
        return icon;
    }
    // A missing file still has a type by its name.
    QIcon icon = TypeIcon(target, false);
    return icon.isNull() ? StockIcon(QStyle::SP_FileIcon) : icon;
}

QIcon FileIcon(const QString& target)
{
    if (ResolveTarget(target).isEmpty())
        return {};
    return AssociatedIcon(target);
}

QIcon SchemeHandlerIcon(const QString& scheme)
{
    if (scheme.isEmpty() || !HaveGui())
        return {};
    const QString app = DefaultApplication(QStringLiteral("x-scheme-handler/") + scheme.toLower());
    if (app.isEmpty())
        return {};
    return ExtractIcon(app, 0);
}

} // namespace shell
