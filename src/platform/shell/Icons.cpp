#include "platform/shell/Icons.h"

#include "platform/base/BitmapRows.h"
#include "platform/base/ByteOrder.h"
#include "platform/shell/DesktopEntry.h"
#include "platform/shell/Execute.h"
#include "platform/shell/FileCache.h"
#include "platform/shell/MimeApps.h"
#include "platform/shell/PeIcons.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QMimeDatabase>
#include <QPixmap>
#include <QStyle>
#include <memory>
#include <algorithm>

namespace shell {

namespace {

constexpr int kMaxIcoSide = 1024;
constexpr int kMaxIcoImages = 64;
constexpr qint64 kMaxIcoPixels = qint64(8) << 20;
// Mask bits as "colours": 1 is see-through.
constexpr QRgb kMaskTable[2] = {0, 1};

using le::U16At;
using le::U32At;

// One image of an .ico file stored as a bitmap: colour bits (rows bottom-up)
// followed by a 1-bit transparency mask.
QImage DecodeIcoBitmap(const QByteArray& d)
{
    if (d.size() < 40 || U32At(d, 0) < 40)
        return {};
    const qint64 header = U32At(d, 0);
    const qint64 w = qint32(U32At(d, 4));
    const qint64 h = qint32(U32At(d, 8)) / 2; // colour and mask rows together
    const int bits = U16At(d, 14);
    if (w <= 0 || h <= 0 || w > kMaxIcoSide || h > kMaxIcoSide || U32At(d, 16) != 0)
        return {};
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        return {};
    qint64 colours = U32At(d, 32);
    if (colours == 0 && bits <= 8)
        colours = qint64(1) << bits;
    if (bits > 8)
        colours = 0;
    if (colours > 256)
        return {};
    const qint64 stride = bmp::RowBytes(w, bits);
    const qint64 maskStride = bmp::RowBytes(w, 1);
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
    // 32-bit icon pixels carry their own alpha.
    const bmp::RowDecoder decoder(bits, table.constData(), {0xFF0000, 0xFF00, 0xFF, 0xFF000000u});
    const auto* base = reinterpret_cast<const uchar*>(d.constData());
    bool anyAlpha = false;
    for (qint64 y = 0; y < h; ++y) {
        auto* out = reinterpret_cast<QRgb*>(img.scanLine(int(y)));
        decoder.Decode(base + bitsAt + stride * (h - 1 - y), int(w), out);
        if (bits == 32)
            for (qint64 x = 0; x < w && !anyAlpha; ++x)
                anyAlpha = qAlpha(out[x]) != 0;
    }
    // Without an alpha channel of its own, the mask says what is see-through.
    if (bits == 32 && !anyAlpha) {
        for (qint64 y = 0; y < h; ++y) {
            auto* out = reinterpret_cast<QRgb*>(img.scanLine(int(y)));
            for (qint64 x = 0; x < w; ++x)
                out[x] |= 0xFF000000u;
        }
    }
    if (!anyAlpha && hasMask) {
        const bmp::RowDecoder mask(1, kMaskTable);
        QList<QRgb> row(w);
        for (qint64 y = 0; y < h; ++y) {
            mask.Decode(base + maskAt + maskStride * (h - 1 - y), int(w), row.data());
            auto* out = reinterpret_cast<QRgb*>(img.scanLine(int(y)));
            for (qint64 x = 0; x < w; ++x)
                if (row[x])
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

// The icon groups of a program file: its directory read once while the
// file is unchanged, each group's pictures decoded when first asked for.
struct PeIconCacheEntry
{
    bool valid = false;
    PeIconDirectory directory;
    QHash<int, QList<QImage>> groups;
};

std::shared_ptr<PeIconCacheEntry> PeIcons(const QString& path)
{
    static FileCache<std::shared_ptr<PeIconCacheEntry>> cache;
    return cache.Get(path, [](const QString& p) {
        auto entry = std::make_shared<PeIconCacheEntry>();
        QFile f(p);
        if (f.open(QIODevice::ReadOnly))
            entry->valid = ReadPeIconDirectory(f, entry->directory);
        return entry;
    });
}

QList<QImage> PeGroupImages(const QString& path, int index)
{
    const auto entry = PeIcons(path);
    if (!entry->valid)
        return {};
    auto it = entry->groups.find(index);
    if (it != entry->groups.end())
        return *it;
    QFile f(path);
    QList<QImage> images;
    if (f.open(QIODevice::ReadOnly))
        images = ReadIcoImages(PeIconGroupAsIco(f, entry->directory, index));
    if (entry->groups.size() > 256)
        entry->groups.clear();
    entry->groups.insert(index, images);
    return images;
}

// A program file by its name or, for other names, by its first bytes.
bool IsPeFile(const QFileInfo& fi)
{
    if (IsPeIconFileSuffix(fi.suffix()))
        return true;
    QFile f(fi.absoluteFilePath());
    return f.open(QIODevice::ReadOnly) && f.read(2) == "MZ";
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
    if (bytes.size() < 6 || U16At(bytes, 0) != 0 || (U16At(bytes, 2) != 1 && U16At(bytes, 2) != 2))
        return {};
    const int count = U16At(bytes, 4);
    if (count == 0 || 6 + qint64(count) * 16 > bytes.size())
        return {};
    struct Found
    {
        QImage image;
        int depth;
    };
    QList<Found> found;
    // Entries may all name one large image: the work is capped by images
    // and by pixels decoded, not by the directory's count.
    qint64 pixels = 0;
    for (int i = 0; i < qMin(count, kMaxIcoImages) && pixels <= kMaxIcoPixels; ++i) {
        const qint64 e = 6 + qint64(i) * 16;
        const int depth = U16At(bytes, e + 6);
        const qint64 size = U32At(bytes, e + 8);
        const qint64 offset = U32At(bytes, e + 12);
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
        pixels += qint64(img.width()) * img.height();
        const int d = depth ? depth : U16At(data, 14);
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
    // Index -1 with nothing to deliver asks how many icons the file holds.
    const bool counting = index == -1 && !large && !small;
    const QFileInfo fi(iconFile);
    QIcon icon;
    QList<QImage> images;
    if (fi.isFile()) {
        const QString suffix = fi.suffix().toLower();
        if (suffix != u"ico" && suffix != u"cur" && !IsPictureSuffix(suffix) && !IsSvgSuffix(suffix)
            && suffix != u"desktop" && IsPeFile(fi)) {
            const QString path = fi.absoluteFilePath();
            if (counting) {
                const auto entry = PeIcons(path);
                return entry->valid ? unsigned(entry->directory.groups.size()) : 0;
            }
            images = PeGroupImages(path, index);
            if (images.isEmpty())
                return 0;
        } else {
            if (index != 0 && !counting)
                return 0; // every other kind of icon file holds a single icon
            if (suffix == u"desktop") {
                const auto entry = CachedDesktopEntry(fi.absoluteFilePath());
                const QString spec = entry ? entry->Icon() : QString();
                if (spec.isEmpty() || spec == fi.absoluteFilePath() || spec.endsWith(QStringLiteral(".desktop")))
                    return 0;
                return ExtractIconEx(spec, counting ? -1 : 0, large, small) ? 1 : 0;
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
        }
    } else if (fi.exists() || iconFile.contains(u'/')) {
        return 0; // a folder, or a path that is not there
    } else {
        if (index != 0 && !counting)
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
        // A launcher entry and a Windows program show their own icon.
        if (fi.isFile() && (fi.suffix().compare(QStringLiteral("desktop"), Qt::CaseInsensitive) == 0
                            || IsPeIconFileSuffix(fi.suffix()))) {
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
