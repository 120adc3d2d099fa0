#include "TStatusPanelBar.h"

#include <QHBoxLayout>
#include <QLabel>

TStatusPanelBar::TStatusPanelBar(const QList<TStatusPanel>& panels, QWidget* parent) : QStatusBar(parent) {
    setSizeGripEnabled(false);
    for (const TStatusPanel& panel : panels) {
        auto* frame = new QFrame(this);
        frame->setFrameShape(QFrame::Panel);
        frame->setFrameShadow(QFrame::Sunken);
        auto* layout = new QHBoxLayout(frame);
        layout->setContentsMargins(3, 0, 3, 0);
        layout->setSpacing(4);
        if (!panel.Icon.isNull()) {
            auto* picture = new QLabel(frame);
            picture->setPixmap(panel.Icon.pixmap(16, 16));
            layout->addWidget(picture, 0, Qt::AlignVCenter);
        }
        auto* text = new QLabel(panel.Text, frame);
        text->setTextFormat(Qt::PlainText);
        layout->addWidget(text, 1);
        text->setAlignment(panel.Alignment | Qt::AlignVCenter);
        if (panel.Width > 0) {
            frame->setFixedWidth(panel.Width);
            addWidget(frame, 0);
        } else {
            addWidget(frame, 1);
        }
        FTexts.append(text);
    }
}

QString TStatusPanelBar::PanelText(int panel) const {
    return FTexts.at(panel)->text();
}

void TStatusPanelBar::SetPanelText(int panel, const QString& text) {
    FTexts.at(panel)->setText(text);
}
