#include "TimerBar.h"

#include "TimeTotals.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"
#include "settings/Settings.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

#include <cstdint>
#include <cstring>

namespace {

const QString kConnectTimes = QStringLiteral("ConnectTimes");

// Room a sunken pane needs around its text.
constexpr int kPaneMargin = 6;

struct ShownTotal
{
    bool TimerBarFlags::*flag;
    unsigned label;
    std::int32_t TimeTotals::*total;
    bool bYear;
};

// In the bar's order, left to right.
const ShownTotal kTotals[] = {
    {&TimerBarFlags::m_bShowYear, ids::IDS_TIMER_YEAR, &TimeTotals::year, true},
    {&TimerBarFlags::m_bShowMonth, ids::IDS_TIMER_MONTH, &TimeTotals::month, false},
    {&TimerBarFlags::m_bShowWeek, ids::IDS_TIMER_WEEK, &TimeTotals::week, false},
    {&TimerBarFlags::m_bShowToday, ids::IDS_TIMER_TODAY, &TimeTotals::day, false},
    {&TimerBarFlags::m_bShowSession, ids::IDS_TIMER_SESSION, &TimeTotals::session, false},
};

void readFlag(const char* name, bool& flag)
{
    std::uint32_t value = flag ? 1 : 0;
    unsigned char bytes[4];
    std::memcpy(bytes, &value, 4);
    if (ReadSettingValue(kConnectTimes, QString::fromLatin1(name), bytes, sizeof bytes)) {
        value = std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16
                | std::uint32_t(bytes[3]) << 24;
        flag = value != 0;
    }
}

int textWidth(const QWidget* w, const QString& text)
{
    return w->fontMetrics().horizontalAdvance(text);
}

} // namespace

void ReadTimerBarFlags(TimerBarFlags& flags)
{
    readFlag("Session", flags.m_bShowSession);
    readFlag("Month", flags.m_bShowMonth);
    readFlag("Today", flags.m_bShowToday);
    readFlag("Week", flags.m_bShowWeek);
    readFlag("Year", flags.m_bShowYear);
}

CTimePane::CTimePane(QWidget* parent)
    : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
}

void CTimePane::SetText(const QString& text)
{
    if (text == m_strText)
        return;
    m_strText = text;
    update(); // only this pane repaints on a tick
}

void CTimePane::paintEvent(QPaintEvent* e)
{
    QFrame::paintEvent(e);
    QPainter p(this);
    const QRect inside = contentsRect();
    p.fillRect(inside, Qt::black);
    p.setPen(QColor(0, 255, 0));
    p.drawText(inside, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, m_strText);
}

CTimerBar::CTimerBar(QWidget* parent)
    : QToolBar(tr("Timer Bar"), parent)
{
    setObjectName(QString("timerbar_%1").arg(ids::IDW_TIMERBAR)); // saveState needs a stable name
    setMovable(false);
    setFloatable(false);
    setAllowedAreas(Qt::BottomToolBarArea);
    m_pInside = new QWidget(this);
    m_pInside->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_pLayout = new QHBoxLayout(m_pInside);
    m_pLayout->setContentsMargins(0, 0, 0, 0);
    m_pLayout->setSpacing(2);
    addWidget(m_pInside);
}

void CTimerBar::LayoutTimerBar(const TimerBarFlags& flags)
{
    m_flags = flags;
    qDeleteAll(m_panes);
    m_panes.clear();
    while (QLayoutItem* item = m_pLayout->takeAt(0))
        delete item;

    auto* name = new QLabel(res::LoadString(ids::IDS_NOT_CONNECTED), m_pInside);
    name->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    name->setFixedWidth(textWidth(name, name->text()) + 2 * kPaneMargin);
    m_panes << name;

    for (const ShownTotal& total : kTotals) {
        if (!(flags.*total.flag))
            continue;
        auto* label = new QLabel(res::LoadString(total.label), m_pInside);
        label->setFixedWidth(textWidth(label, label->text()) + kPaneMargin);
        auto* time = new CTimePane(m_pInside);
        time->setFixedWidth(textWidth(time, res::LoadString(ids::IDS_TIMER_WIDTH)) + 2 * kPaneMargin);
        m_panes << label << time;
    }
    for (int i = 0; i < m_panes.size(); ++i) {
        m_panes[i]->setObjectName(QString("timerpane%1").arg(i));
        m_pLayout->addWidget(m_panes[i]);
    }
    m_pLayout->addStretch(1);
}

void CTimerBar::ShowConnectTimes(const TimeTotals& totals)
{
    int pane = 2;
    for (const ShownTotal& total : kTotals) {
        if (!(m_flags.*total.flag))
            continue;
        if (auto* time = qobject_cast<CTimePane*>(GetPane(pane)))
            time->SetText(FormatConnectTime(totals.*total.total, total.bYear));
        pane += 2;
    }
}

QString CTimerBar::GetPaneText(int pane) const
{
    if (auto* time = qobject_cast<CTimePane*>(GetPane(pane)))
        return time->Text();
    if (auto* label = qobject_cast<QLabel*>(GetPane(pane)))
        return label->text();
    return QString();
}

void CTimerBar::SetPaneText(int pane, const QString& text)
{
    if (auto* time = qobject_cast<CTimePane*>(GetPane(pane)))
        time->SetText(text);
    else if (auto* label = qobject_cast<QLabel*>(GetPane(pane)))
        label->setText(text);
}
