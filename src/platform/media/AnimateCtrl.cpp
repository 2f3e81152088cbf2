#include "platform/media/AnimateCtrl.h"

#include <QDir>
#include <QPainter>

namespace media {

CAnimateCtrl::CAnimateCtrl(QWidget* parent) : QWidget(parent)
{
    m_timer.setInterval(kFrameMs);
    connect(&m_timer, &QTimer::timeout, this, &CAnimateCtrl::Step);
}

bool CAnimateCtrl::Open(unsigned id)
{
    Close();
    const QDir dir(QStringLiteral(":/animations/%1").arg(id));
    // Frame names are zero-padded numbers, so name order is play order.
    const QStringList names = dir.entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
    for (const QString& name : names) {
        QImage frame(dir.filePath(name));
        if (!frame.isNull())
            m_frames.append(frame);
    }
    update();
    return !m_frames.isEmpty();
}

void CAnimateCtrl::Close()
{
    m_timer.stop();
    m_frames.clear();
    m_nFrame = 0;
    update();
}

bool CAnimateCtrl::Play(int nFrom, int nTo, int nRepeat)
{
    if (m_frames.isEmpty())
        return false;
    const int last = int(m_frames.size()) - 1;
    m_nFrom = qBound(0, nFrom, last);
    m_nTo = nTo < 0 ? last : qBound(m_nFrom, nTo, last);
    m_nRepeatsLeft = nRepeat;
    m_nFrame = m_nFrom;
    update();
    if (nRepeat != 0)
        m_timer.start();
    return true;
}

void CAnimateCtrl::Stop()
{
    m_timer.stop();
}

void CAnimateCtrl::Step()
{
    if (m_frames.isEmpty())
        return;
    if (m_nFrame < m_nTo) {
        ++m_nFrame;
    } else if (m_nRepeatsLeft < 0 || --m_nRepeatsLeft > 0) {
        m_nFrame = m_nFrom;
    } else {
        m_timer.stop();
    }
    update();
}

void CAnimateCtrl::paintEvent(QPaintEvent*)
{
    if (m_frames.isEmpty())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    // Centred, shrunk (never enlarged) to fit the control.
    const QImage& frame = m_frames.at(qBound(0, m_nFrame, int(m_frames.size()) - 1));
    QSize size = frame.size();
    if (size.width() > width() || size.height() > height())
        size.scale(this->size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    p.drawImage(target, frame);
}

} // namespace media
