#include "fmAbout.h"

#include "uFonts.h"
#include "uForexAPI.h"
#include "uPlatform.h"
#include "uProduct.h"

#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>

namespace {

// A label that acts on a click, for the two links.
class TLinkLabel : public QLabel {
public:
    TLinkLabel(const QString& text, QWidget* parent, std::function<void()> onClick)
        : QLabel(text, parent), FOnClick(std::move(onClick)) {}

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        QLabel::mouseReleaseEvent(event);
        FOnClick();
    }

private:
    std::function<void()> FOnClick;
};

// The program's icon: a chart line rising over a blue tile.
QPixmap ProgramPicture() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 0, 96), 1));
    p.setBrush(QColor(32, 64, 176));
    p.drawRoundedRect(QRectF(0.5, 0.5, 31, 31), 4, 4);
    p.setPen(QPen(QColor(255, 255, 0), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(4, 24), QPointF(11, 17), QPointF(17, 21), QPointF(27, 7)}));
    p.setPen(QPen(QColor(0, 224, 0), 2));
    p.drawLine(QPointF(4, 28), QPointF(28, 28));
    return pixmap;
}

} // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(298, 299);
    setFont(PointFont(QStringLiteral("MS Sans Serif"), 8));
    setAttribute(Qt::WA_DeleteOnClose); // FormClose: the box frees itself

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setGeometry(8, 8, 281, 249);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setLineWidth(2);

    auto* icon = new QLabel(panel);
    icon->setObjectName(QStringLiteral("ProgramIcon"));
    icon->setGeometry(8, 8, 32, 32);
    icon->setScaledContents(true);
    icon->setPixmap(ProgramPicture());

    auto* product = new QLabel(QStringLiteral("TALVERO"), panel);
    product->setObjectName(QStringLiteral("Product"));
    product->setFont(PointFont(QStringLiteral("Arial"), 18, true));
    product->move(56, 8);
    product->adjustSize();

    auto* label3 = new QLabel(QStringLiteral("Forex Automatic Day Trading System."), panel);
    label3->setObjectName(QStringLiteral("Label3"));
    label3->move(56, 36);
    label3->adjustSize();

    Version = new QLabel(panel);
    Version->setObjectName(QStringLiteral("Version"));
    Version->setFont(PointFont(QStringLiteral("Courier New"), 9));
    Version->move(56, 52);

    auto* label1 = new QLabel(QStringLiteral("Copyright \u00A9 2026\n") + QString::fromLatin1(MakerName), panel);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->setGeometry(8, 72, 265, 30);
    label1->setAlignment(Qt::AlignCenter);
    label1->setFont(PointFont(QStringLiteral("Arial"), 9, true));

    const QString linkStyle = QStringLiteral("color: blue; text-decoration: underline;");
    auto* httplink = new TLinkLabel(QString::fromLatin1(MakerWebAddress), panel, [this] { httplinkClick(); });
    httplink->setObjectName(QStringLiteral("httplink"));
    httplink->setGeometry(8, 104, 265, 17);
    httplink->setAlignment(Qt::AlignCenter);
    httplink->setFont(PointFont(QStringLiteral("Arial"), 9));
    httplink->setStyleSheet(linkStyle);
    httplink->setCursor(Qt::PointingHandCursor);

    auto* mailto = new TLinkLabel(QStringLiteral("e-mail: ") + QString::fromLatin1(MakerMailAddress), panel,
                                  [this] { mailtoClick(); });
    mailto->setObjectName(QStringLiteral("mailto"));
    mailto->setGeometry(8, 122, 265, 23);
    mailto->setAlignment(Qt::AlignCenter);
    mailto->setFont(PointFont(QStringLiteral("Arial"), 9));
    mailto->setStyleSheet(linkStyle);
    mailto->setCursor(Qt::DragCopyCursor);

    auto* label2 = new QLabel(QStringLiteral("Currency pairs:"), panel);
    label2->setObjectName(QStringLiteral("Label2"));
    label2->move(8, 144);
    label2->adjustSize();

    CList = new QListWidget(panel);
    CList->setObjectName(QStringLiteral("CList"));
    CList->setGeometry(8, 160, 265, 81);
    CList->setFrameShape(QFrame::Box);
    CList->setStyleSheet(
        QStringLiteral("QListWidget { background: palette(button); } QListWidget::item { height: 13px; }"));

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(111, 268, 75, 25);
    OKButton->setDefault(true);
    OKButton->setAutoDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept); // Esc rejects, which closes as well

    FormCreate();
}

void TAboutBox::FormCreate() {
    Version->setText(QStringLiteral("Version: ") + QStringLiteral("N/A"));
    Version->adjustSize();
    QStringList pairs;
    GetCurrencyList(pairs);
    CList->addItems(pairs);
}

void TAboutBox::httplinkClick() {
    platform::ShellOpen(QString::fromLatin1(MakerWebAddress));
}

void TAboutBox::mailtoClick() {
    platform::ShellOpen(QStringLiteral("mailto:") + QString::fromLatin1(MakerMailAddress));
}

void ShowAboutBox(QWidget* parent) {
    auto* box = new TAboutBox(parent);
    box->exec();
}
