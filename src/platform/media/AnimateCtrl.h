#pragma once
// The animation control: plays an embedded animation (a numbered sequence of
// frames, ":/animations/<id>/NN.png") in a small child window, the way dial
// and copy dialogs show that something is under way.

#include <QImage>
#include <QList>
#include <QTimer>
#include <QWidget>

namespace media {

class CAnimateCtrl : public QWidget
{
    Q_OBJECT
public:
    explicit CAnimateCtrl(QWidget* parent = nullptr);

    // Loads the animation and shows its first frame; false when there is
    // none (the control then stays empty).
    bool Open(unsigned id);
    void Close();
    // Plays frames from..to (to -1: the last) nRepeat times, -1 for ever.
    bool Play(int nFrom = 0, int nTo = -1, int nRepeat = -1);
    // Stops on the frame shown.
    void Stop();

    bool IsOpen() const { return !m_frames.isEmpty(); }
    bool IsPlaying() const { return m_timer.isActive(); }
    int FrameCount() const { return int(m_frames.size()); }
    int CurrentFrame() const { return m_nFrame; }

    // One frame on (what each tick of the frame timer does).
    void Step();

    static constexpr int kFrameMs = 90;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<QImage> m_frames;
    QTimer m_timer;
    int m_nFrame = 0;
    int m_nFrom = 0;
    int m_nTo = 0;
    int m_nRepeatsLeft = 0;
};

} // namespace media
