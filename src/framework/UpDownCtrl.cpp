#include "UpDownCtrl.h"

#include <QKeyEvent>
#include <QToolButton>

#include <algorithm>

namespace fw {

CUpDownCtrl::CUpDownCtrl(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    m_pUp = new QToolButton(this);
    m_pUp->setArrowType(Qt::UpArrow);
    m_pUp->setAutoRepeat(true);
    m_pUp->setFocusPolicy(Qt::NoFocus);
    m_pUp->setObjectName("up");
    m_pDown = new QToolButton(this);
    m_pDown->setArrowType(Qt::DownArrow);
    m_pDown->setAutoRepeat(true);
    m_pDown->setFocusPolicy(Qt::NoFocus);
    m_pDown->setObjectName("down");
    connect(m_pUp, &QToolButton::clicked, this, [this] { Step(1); });
    connect(m_pDown, &QToolButton::clicked, this, [this] { Step(-1); });
}

void CUpDownCtrl::SetRange(int lower, int upper)
{
    m_nLower = lower;
    m_nUpper = upper;
    SetPos(m_nPos);
}

void CUpDownCtrl::SetPos(int pos)
{
    const int lo = std::min(m_nLower, m_nUpper), hi = std::max(m_nLower, m_nUpper);
    m_nPos = std::clamp(pos, lo, hi);
}

void CUpDownCtrl::Step(int delta)
{
    emit deltaPos(m_nPos, delta);
    SetPos(m_nPos + delta);
}

void CUpDownCtrl::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Up)
        Step(1);
    else if (e->key() == Qt::Key_Down)
        Step(-1);
    else
        QWidget::keyPressEvent(e);
}

void CUpDownCtrl::resizeEvent(QResizeEvent*)
{
    const int half = height() / 2;
    m_pUp->setGeometry(0, 0, width(), half);
    m_pDown->setGeometry(0, half, width(), height() - half);
}

} // namespace fw
