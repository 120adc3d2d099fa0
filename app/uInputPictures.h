#pragma once

// The generator dialog's pictures, painted in code so that the program ships no picture files: the icon of
// the group "General information", the arrows of the BUY and SELL columns, the help picture of the user guide
// button and the frames of the find animation shown during the computing wait.

#include <QIcon>
#include <QPixmap>

class QPainter;
class QRectF;

// A calendar sheet with a clock, 32 x 32.
QPixmap GeneralInformationPicture();
// A blue arrow pointing up, 24 x 24.
QPixmap BuyPicture();
// A purple arrow pointing down, 24 x 24.
QPixmap SellPicture();
// A question mark on a blue disc, 16 x 16.
QIcon HelpPicture();

inline constexpr int FindFrameCount = 23;

// Paints frame 1..FindFrameCount of the find animation into rect: a magnifier that circles over an open
// folder; frame FindFrameCount leads back into frame 1.
void PaintFindFrame(QPainter& painter, const QRectF& rect, int frame);
