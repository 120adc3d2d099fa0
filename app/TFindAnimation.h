#pragma once

// The "searching" animation shown during the computing wait: the frames of PaintFindFrame played in turn,
// over and over, while it runs. Stopped, it shows its first frame.

#include <QTimer>
#include <QWidget>

class TFindAnimation : public QWidget {
    Q_OBJECT

public:
    explicit TFindAnimation(QWidget* parent = nullptr);

    void Start();
    void Stop();
    bool IsActive() const { return FTimer.isActive(); }
    // The frame shown, 1..FindFrameCount.
    int Frame() const { return FFrame; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer FTimer;
    int FFrame = 1;
};
