#pragma once

// A status bar of fixed panels side by side, each with an optional picture and a text; the last panel can
// take the rest of the bar. Panels stay visible whatever messages the bar is asked to show.

#include <QIcon>
#include <QList>
#include <QStatusBar>

class QLabel;

struct TStatusPanel {
    int Width = 0; // 0: the rest of the bar
    Qt::Alignment Alignment = Qt::AlignCenter;
    QIcon Icon; // none when null
    QString Text;
};

class TStatusPanelBar : public QStatusBar {
    Q_OBJECT
public:
    explicit TStatusPanelBar(const QList<TStatusPanel>& panels, QWidget* parent = nullptr);

    QString PanelText(int panel) const;
    void SetPanelText(int panel, const QString& text);

private:
    QList<QLabel*> FTexts;
};
