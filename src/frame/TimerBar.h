#pragma once
// The timer bar at the bottom of the main window: the provider's name, then a
// label and a time for each total the user chose to see (year, month, week,
// today, session), the times in green digits on black.

#include <QFrame>
#include <QList>
#include <QToolBar>

struct TimeTotals;
class QHBoxLayout;
class QLabel;

// Which totals the bar shows; all of them until the user says otherwise.
struct TimerBarFlags
{
    bool m_bShowYear = true;
    bool m_bShowMonth = true;
    bool m_bShowWeek = true;
    bool m_bShowToday = true;
    bool m_bShowSession = true;
};

// The flags as Customize stored them under "ConnectTimes"; a missing value
// keeps what the flag held.
void ReadTimerBarFlags(TimerBarFlags& flags);

// A time pane: drawn by the bar itself, black with pure green text, centred.
class CTimePane : public QFrame
{
    Q_OBJECT
public:
    explicit CTimePane(QWidget* parent = nullptr);
    void SetText(const QString& text);
    QString Text() const { return m_strText; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QString m_strText;
};

class CTimerBar : public QToolBar
{
    Q_OBJECT
public:
    explicit CTimerBar(QWidget* parent = nullptr);

    // Rebuilds the panes: the name pane (back to "Not Connected."), then a
    // label and a time pane per shown total; 1 + 2 x shown panes in all.
    void LayoutTimerBar(const TimerBarFlags& flags);
    // Puts the shown totals into the time panes (2, 4, ...).
    void ShowConnectTimes(const TimeTotals& totals);

    int GetCount() const { return int(m_panes.size()); }
    QWidget* GetPane(int pane) const { return m_panes.value(pane); }
    QString GetPaneText(int pane) const;
    void SetPaneText(int pane, const QString& text);

private:
    QWidget* m_pInside = nullptr;
    QHBoxLayout* m_pLayout = nullptr;
    QList<QWidget*> m_panes;
    TimerBarFlags m_flags;
};
