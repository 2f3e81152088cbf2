// Draws the program's images: the application icon, the default item icon,
// the arrow icons, the toolbar buttons, the splash bitmap, the dialing
// animation and the connection sound. Everything is drawn here from code, so
// the repository holds no binary artwork.
//
// usage: dt_genassets <output folder>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <array>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using Painter = std::function<void(QPainter&)>;

// Every picture is drawn on a 256 x 256 canvas and scaled to the size asked.
QImage render(int size, const Painter& draw)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0);
    draw(p);
    p.end();
    return img;
}

bool savePng(const QImage& img, const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!img.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// --- shapes shared by several pictures --------------------------------------

void handset(QPainter& p, const QPointF& centre, qreal width, const QColor& colour, qreal angle = 0)
{
    p.save();
    p.translate(centre);
    p.rotate(angle);
    const qreal w = width, h = width * 0.42;
    QPainterPath path;
    // the grip: an arch between the ear and mouth pieces
    path.moveTo(-w / 2, h * 0.25);
    path.cubicTo(-w * 0.42, -h * 0.75, w * 0.42, -h * 0.75, w / 2, h * 0.25);
    path.lineTo(w * 0.5, h * 0.55);
    path.lineTo(w * 0.22, h * 0.55);
    path.lineTo(w * 0.2, h * 0.2);
    path.cubicTo(w * 0.1, 0, -w * 0.1, 0, -w * 0.2, h * 0.2);
    path.lineTo(-w * 0.22, h * 0.55);
    path.lineTo(-w * 0.5, h * 0.55);
    path.closeSubpath();
    p.setPen(QPen(colour.darker(160), width * 0.03));
    QLinearGradient g(0, -h, 0, h);
    g.setColorAt(0, colour.lighter(140));
    g.setColorAt(1, colour);
    p.setBrush(g);
    p.drawPath(path);
    p.restore();
}

void sheet(QPainter& p, const QRectF& r, const QColor& edge = QColor(90, 100, 120))
{
    const qreal fold = r.width() * 0.28;
    QPainterPath path;
    path.moveTo(r.topLeft());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.bottomRight());
    path.lineTo(r.bottomLeft());
    path.closeSubpath();
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, Qt::white);
    g.setColorAt(1, QColor(225, 232, 240));
    p.setPen(QPen(edge, r.width() * 0.05, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(g);
    p.drawPath(path);
    QPainterPath corner;
    corner.moveTo(r.right() - fold, r.top());
    corner.lineTo(r.right() - fold, r.top() + fold);
    corner.lineTo(r.right(), r.top() + fold);
    p.setBrush(QColor(200, 210, 222));
    p.drawPath(corner);
}

void arrow(QPainter& p, bool down, const QColor& colour)
{
    QPainterPath a;
    if (down) {
        a.moveTo(96, 32);
        a.lineTo(160, 32);
        a.lineTo(160, 120);
        a.lineTo(216, 120);
        a.lineTo(128, 224);
        a.lineTo(40, 120);
        a.lineTo(96, 120);
    } else {
        a.moveTo(96, 224);
        a.lineTo(160, 224);
        a.lineTo(160, 136);
        a.lineTo(216, 136);
        a.lineTo(128, 32);
        a.lineTo(40, 136);
        a.lineTo(96, 136);
    }
    a.closeSubpath();
    p.setPen(QPen(colour.darker(170), 10, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(colour);
    p.drawPath(a);
}

void plusBadge(QPainter& p, const QPointF& c, qreal r)
{
    p.setPen(QPen(QColor(20, 100, 30), r * 0.16));
    p.setBrush(QColor(70, 180, 80));
    p.drawEllipse(c, r, r);
    p.setPen(QPen(Qt::white, r * 0.38, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(c.x() - r * 0.55, c.y()), QPointF(c.x() + r * 0.55, c.y()));
    p.drawLine(QPointF(c.x(), c.y() - r * 0.55), QPointF(c.x(), c.y() + r * 0.55));
}

// --- the pictures ------------------------------------------------------------

// The application: a tabbed card behind a modem with a handset on it.
void appIcon(QPainter& p)
{
    const QColor tabs[] = {QColor(245, 170, 60), QColor(90, 170, 230), QColor(120, 200, 120)};
    for (int i = 0; i < 3; ++i) {
        QPainterPath t;
        t.addRoundedRect(QRectF(30 + i * 62, 22, 60, 60), 14, 14);
        p.setPen(QPen(tabs[i].darker(150), 6));
        p.setBrush(tabs[i]);
        p.drawPath(t);
    }
    QPainterPath card;
    card.addRoundedRect(QRectF(20, 50, 216, 150), 18, 18);
    p.setPen(QPen(QColor(60, 90, 130), 7));
    p.setBrush(QColor(236, 242, 250));
    p.drawPath(card);

    QPainterPath body;
    body.addRoundedRect(QRectF(34, 138, 188, 92), 22, 22);
    QLinearGradient g(0, 138, 0, 230);
    g.setColorAt(0, QColor(84, 98, 120));
    g.setColorAt(1, QColor(38, 46, 60));
    p.setPen(QPen(QColor(20, 24, 32), 6));
    p.setBrush(g);
    p.drawPath(body);
    p.setPen(Qt::NoPen);
    const QColor leds[] = {QColor(90, 240, 110), QColor(90, 240, 110), QColor(250, 200, 60), QColor(240, 90, 80)};
    for (int i = 0; i < 4; ++i) {
        p.setBrush(leds[i]);
        p.drawEllipse(QPointF(70 + i * 38, 200), 11, 11);
    }
    handset(p, QPointF(128, 124), 190, QColor(40, 120, 210));
}

// The default item: a page with the shortcut arrow in its corner.
void defaultItemIcon(QPainter& p)
{
    sheet(p, QRectF(48, 16, 160, 216));
    p.setPen(QPen(QColor(160, 175, 195), 10));
    for (int y = 96; y <= 176; y += 26)
        p.drawLine(80, y, 176, y);
    QRectF box(16, 148, 92, 92);
    p.setPen(QPen(QColor(60, 60, 60), 6));
    p.setBrush(Qt::white);
    p.drawRect(box);
    QPainterPath bend;
    bend.moveTo(36, 222);
    bend.cubicTo(36, 186, 56, 172, 84, 172);
    p.setPen(QPen(QColor(20, 60, 160), 14, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(bend);
    QPainterPath head;
    head.moveTo(96, 172);
    head.lineTo(70, 150);
    head.lineTo(70, 194);
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 60, 160));
    p.drawPath(head);
}

void connectButton(QPainter& p)
{
    handset(p, QPointF(128, 150), 230, QColor(40, 170, 70));
    p.setPen(QPen(QColor(30, 120, 50), 16, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(78, 30, 100, 80), 30 * 16, 120 * 16);
    p.drawArc(QRectF(48, 8, 160, 110), 35 * 16, 110 * 16);
}

void hangupButton(QPainter& p)
{
    handset(p, QPointF(128, 120), 230, QColor(210, 50, 40), 180);
    p.setPen(QPen(QColor(150, 30, 20), 18, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(60, 210, 196, 210);
}

void newButton(QPainter& p)
{
    sheet(p, QRectF(48, 16, 160, 224));
}

void openButton(QPainter& p)
{
    QPainterPath back;
    back.moveTo(16, 60);
    back.lineTo(96, 60);
    back.lineTo(116, 84);
    back.lineTo(216, 84);
    back.lineTo(216, 220);
    back.lineTo(16, 220);
    back.closeSubpath();
    p.setPen(QPen(QColor(150, 110, 20), 10, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(QColor(230, 185, 70));
    p.drawPath(back);
    QPainterPath front;
    front.moveTo(50, 120);
    front.lineTo(248, 120);
    front.lineTo(216, 220);
    front.lineTo(16, 220);
    front.closeSubpath();
    p.setBrush(QColor(250, 215, 110));
    p.drawPath(front);
}

void saveButton(QPainter& p)
{
    QPainterPath disk;
    disk.moveTo(24, 24);
    disk.lineTo(200, 24);
    disk.lineTo(232, 56);
    disk.lineTo(232, 232);
    disk.lineTo(24, 232);
    disk.closeSubpath();
    p.setPen(QPen(QColor(20, 30, 70), 10, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(QColor(50, 80, 170));
    p.drawPath(disk);
    p.setBrush(QColor(235, 240, 248));
    p.drawRect(QRectF(64, 24, 128, 76));
    p.setBrush(QColor(50, 80, 170));
    p.drawRect(QRectF(148, 36, 28, 52));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(56, 140, 144, 92));
}

void addItemButton(QPainter& p)
{
    sheet(p, QRectF(32, 16, 150, 200));
    plusBadge(p, QPointF(180, 180), 64);
}

void createTabButton(QPainter& p)
{
    QPainterPath tab;
    tab.moveTo(16, 232);
    tab.lineTo(16, 72);
    tab.quadTo(16, 48, 40, 48);
    tab.lineTo(112, 48);
    tab.quadTo(136, 48, 140, 72);
    tab.lineTo(148, 104);
    tab.lineTo(232, 104);
    tab.lineTo(232, 232);
    tab.closeSubpath();
    p.setPen(QPen(QColor(40, 80, 120), 10, Qt::SolidLine, Qt::SquareCap, Qt::RoundJoin));
    p.setBrush(QColor(140, 190, 235));
    p.drawPath(tab);
    plusBadge(p, QPointF(176, 176), 64);
}

void helpButton(QPainter& p)
{
    QRadialGradient g(QPointF(100, 90), 160);
    g.setColorAt(0, QColor(120, 170, 250));
    g.setColorAt(1, QColor(30, 80, 180));
    p.setPen(QPen(QColor(20, 50, 120), 10));
    p.setBrush(g);
    p.drawEllipse(QRectF(16, 16, 224, 224));
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setBold(true);
    f.setPixelSize(180);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(16, 10, 224, 224), Qt::AlignCenter, QStringLiteral("?"));
}

// --- the splash bitmap ---------------------------------------------------------

QImage splashPicture()
{
    const int w = 400, h = 250;
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient sky(0, 0, w, h);
    sky.setColorAt(0, QColor(16, 36, 74));
    sky.setColorAt(0.6, QColor(22, 72, 118));
    sky.setColorAt(1, QColor(20, 110, 130));
    p.fillRect(img.rect(), sky);

    // signal rings spreading from the icon
    p.setBrush(Qt::NoBrush);
    for (int i = 1; i <= 6; ++i) {
        p.setPen(QPen(QColor(255, 255, 255, 34 - i * 4), 3));
        p.drawEllipse(QPointF(92, 118), 60.0 + i * 34, 60.0 + i * 34);
    }

    p.save();
    p.translate(28, 54);
    p.scale(128 / 256.0, 128 / 256.0);
    appIcon(p);
    p.restore();

    QFont title(QStringLiteral("DejaVu Sans"));
    title.setBold(true);
    title.setPixelSize(50);
    p.setFont(title);
    p.setPen(QColor(0, 0, 0, 90));
    p.drawText(QRectF(174, 74, 220, 70), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Dialtop"));
    p.setPen(Qt::white);
    p.drawText(QRectF(172, 72, 220, 70), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Dialtop"));

    p.setPen(QPen(QColor(250, 180, 70), 3));
    p.drawLine(QPointF(174, 146), QPointF(372, 146));

    QFont sub(QStringLiteral("DejaVu Sans"));
    sub.setPixelSize(15);
    p.setFont(sub);
    p.setPen(QColor(210, 228, 245));
    p.drawText(QRectF(174, 152, 220, 24), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Launcher and dial-up"));
    p.drawText(QRectF(174, 172, 220, 24), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("connection manager"));
    p.end();
    return img;
}

struct Box
{
    std::vector<QRgb> px;
};

// Median cut: split the box with the widest channel at its median until the
// palette is full, then take each box's mean.
QList<QRgb> medianCut(const QImage& img, int colours)
{
    std::vector<Box> boxes(1);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            boxes[0].px.push_back(img.pixel(x, y));
    auto channel = [](QRgb c, int ch) { return ch == 0 ? qRed(c) : ch == 1 ? qGreen(c) : qBlue(c); };
    auto spread = [&](const Box& b, int* which) {
        int best = -1;
        for (int ch = 0; ch < 3; ++ch) {
            int lo = 255, hi = 0;
            for (QRgb c : b.px) {
                lo = std::min(lo, channel(c, ch));
                hi = std::max(hi, channel(c, ch));
            }
            if (hi - lo > best) {
                best = hi - lo;
                *which = ch;
            }
        }
        return best;
    };
    while (int(boxes.size()) < colours) {
        int pick = -1, ch = 0;
        qint64 score = 0;
        for (int i = 0; i < int(boxes.size()); ++i) {
            int c = 0;
            const qint64 s = qint64(spread(boxes[i], &c)) * qint64(boxes[i].px.size());
            if (boxes[i].px.size() > 1 && s > score) {
                score = s;
                pick = i;
                ch = c;
            }
        }
        if (pick < 0)
            break;
        auto& v = boxes[pick].px;
        std::sort(v.begin(), v.end(), [&](QRgb a, QRgb b) { return channel(a, ch) < channel(b, ch); });
        Box upper;
        upper.px.assign(v.begin() + v.size() / 2, v.end());
        v.resize(v.size() / 2);
        boxes.push_back(std::move(upper));
    }
    QList<QRgb> table;
    for (const Box& b : boxes) {
        qint64 r = 0, g = 0, bl = 0;
        for (QRgb c : b.px) {
            r += qRed(c);
            g += qGreen(c);
            bl += qBlue(c);
        }
        const qint64 n = qMax<qint64>(1, b.px.size());
        table.append(qRgb(int(r / n), int(g / n), int(bl / n)));
    }
    while (table.size() < colours)
        table.append(qRgb(0, 0, 0));
    return table;
}

// Floyd-Steinberg onto the table, so the gradients stay smooth in 256 colours.
std::vector<uchar> quantize(const QImage& img, const QList<QRgb>& table)
{
    const int w = img.width(), h = img.height();
    std::vector<std::array<float, 3>> err(size_t(w) * h, {0, 0, 0});
    std::vector<uchar> out(size_t(w) * h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const QRgb c = img.pixel(x, y);
            const auto& e = err[size_t(y) * w + x];
            const float r = std::clamp(qRed(c) + e[0], 0.f, 255.f);
            const float g = std::clamp(qGreen(c) + e[1], 0.f, 255.f);
            const float b = std::clamp(qBlue(c) + e[2], 0.f, 255.f);
            int best = 0;
            float bestD = 1e30f;
            for (int i = 0; i < table.size(); ++i) {
                const float dr = r - qRed(table[i]), dg = g - qGreen(table[i]), db = b - qBlue(table[i]);
                const float d = dr * dr + dg * dg + db * db;
                if (d < bestD) {
                    bestD = d;
                    best = i;
                }
            }
            out[size_t(y) * w + x] = uchar(best);
            const float er = r - qRed(table[best]), eg = g - qGreen(table[best]), eb = b - qBlue(table[best]);
            auto spread = [&](int dx, int dy, float f) {
                const int nx = x + dx, ny = y + dy;
                if (nx < 0 || nx >= w || ny >= h)
                    return;
                auto& t = err[size_t(ny) * w + nx];
                t[0] += er * f;
                t[1] += eg * f;
                t[2] += eb * f;
            };
            spread(1, 0, 7 / 16.f);
            spread(-1, 1, 3 / 16.f);
            spread(0, 1, 5 / 16.f);
            spread(1, 1, 1 / 16.f);
        }
    }
    return out;
}

void put16(QByteArray& b, int v)
{
    char x[2];
    qToLittleEndian<quint16>(quint16(v), x);
    b.append(x, 2);
}

void put32(QByteArray& b, qint64 v)
{
    char x[4];
    qToLittleEndian<quint32>(quint32(v), x);
    b.append(x, 4);
}

// An 8-bit .bmp: file header, 40-byte info header, 256 colours, rows bottom-up.
bool writeBmp8(const QImage& picture, const QString& path)
{
    const QList<QRgb> table = medianCut(picture, 256);
    const std::vector<uchar> idx = quantize(picture, table);
    const int w = picture.width(), h = picture.height();
    const int stride = ((w * 8 + 31) / 32) * 4;
    const int offBits = 14 + 40 + 256 * 4;
    QByteArray b;
    b.append("BM");
    put32(b, offBits + stride * h);
    put32(b, 0);
    put32(b, offBits);
    put32(b, 40);
    put32(b, w);
    put32(b, h);
    put16(b, 1);
    put16(b, 8);
    put32(b, 0);
    put32(b, stride * h);
    put32(b, 2835);
    put32(b, 2835);
    put32(b, 256);
    put32(b, 0);
    for (QRgb c : table) {
        b.append(char(qBlue(c)));
        b.append(char(qGreen(c)));
        b.append(char(qRed(c)));
        b.append(char(0));
    }
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(stride, '\0');
        for (int x = 0; x < w; ++x)
            row[x] = char(idx[size_t(y) * w + x]);
        b.append(row);
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(b) == b.size();
}

// --- the dialing animation and the connection sound -------------------------

constexpr int kDialFrames = 12;

// One frame of the dialing animation: a modem on the left calls a globe on
// the right; a pulse runs along the line and the modem's lights take turns.
QImage dialingFrame(int frame)
{
    const int w = 80, h = 60;
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    // the line between them
    p.setPen(QPen(QColor(120, 130, 150), 1.5, Qt::DashLine));
    p.drawLine(QPointF(24, 40), QPointF(58, 22));

    // the modem: a flat box with three lights
    QLinearGradient box(0, 36, 0, 50);
    box.setColorAt(0, QColor(230, 232, 238));
    box.setColorAt(1, QColor(170, 176, 190));
    p.setPen(QPen(QColor(80, 86, 100), 1));
    p.setBrush(box);
    p.drawRoundedRect(QRectF(4, 36, 30, 14), 3, 3);
    for (int i = 0; i < 3; ++i) {
        const bool lit = (frame + i) % 3 == 0;
        p.setPen(Qt::NoPen);
        p.setBrush(lit ? QColor(60, 210, 80) : QColor(40, 80, 50));
        p.drawEllipse(QPointF(11 + i * 7, 45), 2, 2);
    }
    handset(p, QPointF(19, 31), 22, QColor(60, 110, 190));

    // the globe
    QRadialGradient sea(QPointF(62, 14), 16);
    sea.setColorAt(0, QColor(120, 180, 240));
    sea.setColorAt(1, QColor(30, 80, 170));
    p.setPen(QPen(QColor(20, 50, 110), 1));
    p.setBrush(sea);
    const QPointF g(64, 20);
    p.drawEllipse(g, 12, 12);
    p.setPen(QPen(QColor(200, 230, 255, 170), 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(g, 5, 12);
    p.drawLine(QPointF(52, 20), QPointF(76, 20));
    p.drawLine(QPointF(54, 14), QPointF(74, 14));
    p.drawLine(QPointF(54, 26), QPointF(74, 26));

    // the pulse, from the modem to the globe
    const qreal t = frame / qreal(kDialFrames - 1);
    const QPointF dot(24 + (58 - 24) * t, 40 + (22 - 40) * t);
    QRadialGradient glow(dot, 5);
    glow.setColorAt(0, QColor(255, 220, 60));
    glow.setColorAt(1, QColor(255, 160, 0, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(dot, 5, 5);
    p.end();
    return img;
}

// The connection sound: a short rising two-note chime, 16-bit mono PCM.
bool writeChime(const QString& path)
{
    const int rate = 22050;
    const double notes[2] = {784.0, 1175.0}; // G5, D6
    const double noteSeconds = 0.16;
    QByteArray pcm;
    for (double f : notes) {
        const int n = int(rate * noteSeconds);
        for (int i = 0; i < n; ++i) {
            const double t = double(i) / rate;
            // a quick attack and an exponential fade keep it from clicking
            const double env = std::min(1.0, i / (rate * 0.005)) * std::exp(-t * 14.0);
            const double v = env * (0.8 * std::sin(2 * M_PI * f * t) + 0.2 * std::sin(4 * M_PI * f * t));
            put16(pcm, int(std::lround(v * 0.6 * 32767)));
        }
    }
    QByteArray b;
    b.append("RIFF");
    put32(b, 36 + pcm.size());
    b.append("WAVEfmt ");
    put32(b, 16);
    put16(b, 1); // PCM
    put16(b, 1); // mono
    put32(b, rate);
    put32(b, rate * 2);
    put16(b, 2);
    put16(b, 16);
    b.append("data");
    put32(b, pcm.size());
    b.append(pcm);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(b) == b.size();
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: dt_genassets <output folder>\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    bool ok = true;

    // Icons: the plain name is the 32 x 32 picture; other sizes carry "-<size>".
    struct Icon
    {
        QString name;
        Painter draw;
        QList<int> extraSizes;
    };
    const QList<Icon> icons = {
        {QStringLiteral("128"), appIcon, {16, 24, 48, 64, 256}},
        {QStringLiteral("171"), defaultItemIcon, {16}},
        {QStringLiteral("132"), [](QPainter& p) { arrow(p, true, QColor(60, 110, 190)); }, {16}},
        {QStringLiteral("135"), [](QPainter& p) { arrow(p, false, QColor(60, 110, 190)); }, {16}},
    };
    for (const Icon& icon : icons) {
        ok &= savePng(render(32, icon.draw), out + "/icons/" + icon.name + ".png");
        for (int size : icon.extraSizes)
            ok &= savePng(render(size, icon.draw), out + QStringLiteral("/icons/%1-%2.png").arg(icon.name).arg(size));
    }

    // Toolbar buttons: the plain name is 16 x 16, "-24" the larger set.
    const QList<QPair<int, Painter>> buttons = {
        {32774, connectButton}, {32777, hangupButton},   {57600, newButton},       {57601, openButton},
        {57603, saveButton},    {32773, addItemButton}, {32772, createTabButton}, {57667, helpButton},
    };
    for (const auto& b : buttons) {
        ok &= savePng(render(16, b.second), out + QStringLiteral("/toolbar/%1.png").arg(b.first));
        ok &= savePng(render(24, b.second), out + QStringLiteral("/toolbar/%1-24.png").arg(b.first));
    }

    ok &= writeBmp8(splashPicture(), out + "/bitmaps/217.bmp");

    // The dialing animation, one picture per frame, and the connection sound.
    for (int i = 0; i < kDialFrames; ++i)
        ok &= savePng(dialingFrame(i), out + QStringLiteral("/animations/201/%1.png").arg(i, 2, 10, QLatin1Char('0')));
    ok &= writeChime(out + "/sounds/153.wav");
    return ok ? 0 : 1;
}
