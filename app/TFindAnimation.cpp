#include "TFindAnimation.h"

#include "uInputPictures.h"

#include <QPainter>

namespace {
constexpr int FrameInterval = 80; // milliseconds: one round of the magnifier in under two seconds
}

TFindAnimation::TFindAnimation(QWidget* parent) : QWidget(parent) {
    FTimer.setInterval(FrameInterval);
    connect(&FTimer, &QTimer::timeout, this, [this] {
        FFrame = FFrame % FindFrameCount + 1;
        update();
    });
}

void TFindAnimation::Start() {
    FTimer.start();
}

void TFindAnimation::Stop() {
    FTimer.stop();
    FFrame = 1;
    update();
}

void TFindAnimation::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    PaintFindFrame(painter, rect(), FFrame);
}
