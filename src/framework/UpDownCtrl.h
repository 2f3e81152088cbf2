#pragma once
// An up-down control without a buddy: two arrow buttons (and the Up and Down
// keys while it has the focus) that step a position inside a range. Before
// each step it tells its owner the position and the proposed change.

#include <QWidget>

class QToolButton;

namespace fw {

class CUpDownCtrl : public QWidget
{
    Q_OBJECT
public:
    explicit CUpDownCtrl(QWidget* parent = nullptr);

    void SetRange(int lower, int upper);
    int GetLower() const { return m_nLower; }
    int GetUpper() const { return m_nUpper; }
    void SetPos(int pos);
    int GetPos() const { return m_nPos; }

    // One step as an arrow click makes it: +1 up, -1 down.
    void Step(int delta);

signals:
    // Sent before the position changes; the position then stays in the range.
    void deltaPos(int pos, int delta);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    QToolButton* m_pUp;
    QToolButton* m_pDown;
    int m_nLower = 0;
    int m_nUpper = 0;
    int m_nPos = 0;
};

} // namespace fw
