#include "ui/skin/ChannelWindow.h"

#include "ui/controls/FormZoom.h"

#include "ui/panels/ChannelPane.h"
#include "ui/res/ResourceRegistry.h"
#include "ui/skin/SkinTheme.h"

#include <QChildEvent>
#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QRegion>
#include <QResizeEvent>

#include <algorithm>
#include <cmath>

namespace brevant {

namespace {

// The size the window normally has.
constexpr int kWidth = 120;
constexpr int kHeight = 500;
// The title strip, and the gap the title buttons keep to the window's right
// edge and to each other.
constexpr int kStripHeight = 16;
constexpr int kCaptionPixelSize = 12;

// The pure white pixels of an image at its logical size, moved to `at`:
// the part of a corner that is cut away from the window's shape.
QRegion WhitePixels(int bitmapId, QPoint at)
{
    const QImage image = res::Bitmap(bitmapId, 1.0).convertToFormat(QImage::Format_ARGB32);
    QRegion white;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) == 0xFFFFFFFFu)
                white += QRect(at.x() + x, at.y() + y, 1, 1);
        }
    }
    return white;
}

QFont CaptionFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Micro Hei")});
    font.setPixelSize(kCaptionPixelSize);
    font.setWeight(QFont::Normal);
    return font;
}

}  // namespace

ChannelWindow::ChannelWindow(PanelContext& context, int channelIndex, int channelFlag, char themeCode,
                             int firstPaneKind, int paneBottom, QWidget* parent)
    : QWidget(parent), channelIndex_(channelIndex), channelFlag_(channelFlag), themeCode_(themeCode)
{
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(kWidth, kHeight);

    const QRect paneRect(QPoint(kPaneLeft, kPaneTop), QPoint(kPaneRight - 1, paneBottom - 1));
    firstPane_ = new ChannelPane(context, firstPaneKind, channelIndex, channelFlag, this);
    zoom::Place(*firstPane_, paneRect);
    secondPane_ = new ChannelPane(context, firstPaneKind + 1, channelIndex, channelFlag, this);
    zoom::Place(*secondPane_, paneRect);
    ShowPane(ModelFamily::K225);

    UpdateShape();
}

ChannelWindow::~ChannelWindow() = default;

void ChannelWindow::UpdateShape()
{
    // The corner pieces are the same in every theme; white is cut away.
    static const QRegion leftCap = WhitePixels(res::kWindowLeftCap, {});
    static const QRegion rightCap = WhitePixels(res::kWindowRightCap, {});
    static const QRegion leftCorner = WhitePixels(res::kWindowLeftCorner, {});
    static const QRegion rightCorner = WhitePixels(res::kWindowRightCorner, {});
    static const QSize rightCapSize = res::BitmapSize(res::kWindowRightCap);
    static const QSize leftCornerSize = res::BitmapSize(res::kWindowLeftCorner);
    static const QSize rightCornerSize = res::BitmapSize(res::kWindowRightCorner);

    // Cut at 100 % and scaled with the form.
    const QSize base = zoom::BaseSize(*this);
    QRegion shape(QRect(QPoint(0, 0), base));
    shape -= leftCap;
    shape -= rightCap.translated(base.width() - rightCapSize.width(), 0);
    shape -= leftCorner.translated(0, base.height() - leftCornerSize.height());
    shape -= rightCorner.translated(base.width() - rightCornerSize.width(),
                                    base.height() - rightCornerSize.height());
    const double factor = zoom::Of(*this);
    if (factor != 1.0) {
        QRegion scaled;
        for (const QRect& part : shape)
            scaled += zoom::Scaled(part, factor);
        shape = scaled;
    }
    setMask(shape);
}

void ChannelWindow::ShowPane(ModelFamily family)
{
    if (family == ModelFamily::Unknown)
        return;
    firstPane_->setVisible(family == ModelFamily::K225);
    secondPane_->setVisible(family == ModelFamily::K217K218);
}

void ChannelWindow::SetChannelName(const QString& name)
{
    channelName_ = name;
    update(0, 0, width(), zoom::Scaled(kStripHeight, zoom::Of(*this)));
}

void ChannelWindow::ShowChannel()
{
    show();
    shown_ = true;
}

void ChannelWindow::HideChannel()
{
    hide();
    shown_ = false;
}

const ChannelWindow::Skin& ChannelWindow::SkinAt(qreal ratio)
{
    if (qFuzzyCompare(skin_.ratio, ratio))
        return skin_;
    const auto load = [this, ratio](int id) {
        return SkinTheme::Recolour(res::Bitmap(id, ratio), themeCode_);
    };
    skin_.ratio = ratio;
    skin_.edge = load(res::kWindowEdge);
    skin_.pattern = QPixmap::fromImage(load(res::kWindowPattern + skinIndex_));
    skin_.strip = load(res::kWindowTitleStrip);
    skin_.leftCap = load(res::kWindowLeftCap);
    skin_.rightCap = load(res::kWindowRightCap);
    skin_.leftCorner = load(res::kWindowLeftCorner);
    skin_.rightCorner = load(res::kWindowRightCorner);
    return skin_;
}

void ChannelWindow::paintEvent(QPaintEvent* /*event*/)
{
    // Drawn in base units under the form's zoom.
    QPainter painter(this);
    const double factor = zoom::Of(*this);
    painter.scale(factor, factor);
    const Skin& skin = SkinAt(devicePixelRatioF() * factor);
    const QSize base = zoom::BaseSize(*this);
    const int w = base.width();
    const int h = base.height();
    const QRect all(QPoint(0, 0), base);

    // Background pattern inside a black outline; the frame pieces then go
    // over the outline.
    painter.drawTiledPixmap(all, skin.pattern);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(all.adjusted(0, 0, -1, -1));

    painter.drawImage(QRect(0, 0, 1, h), skin.edge);
    painter.drawImage(QRect(w - 1, 0, 1, h), skin.edge);
    painter.drawImage(QRect(0, h - 1, w, 1), skin.edge);

    const QSize leftCap = res::LogicalSize(skin.leftCap);
    const QSize rightCap = res::LogicalSize(skin.rightCap);
    const int stripHeight = res::LogicalSize(skin.strip).height();
    painter.drawImage(QRect(leftCap.width(), 0, w - leftCap.width() - rightCap.width(), stripHeight),
                      skin.strip);
    painter.drawImage(QPoint(0, 0), skin.leftCap);
    painter.drawImage(QPoint(w - rightCap.width(), 0), skin.rightCap);

    const QSize leftCorner = res::LogicalSize(skin.leftCorner);
    const QSize rightCorner = res::LogicalSize(skin.rightCorner);
    painter.drawImage(QPoint(0, h - leftCorner.height()), skin.leftCorner);
    painter.drawImage(QPoint(w - rightCorner.width(), h - rightCorner.height()), skin.rightCorner);

    if (channelName_.isEmpty())
        return;
    // The caption is centred between the strip's rounded ends.
    const int left = leftCap.width();
    const int right = w - rightCap.width();
    const QRect area(left, 0, std::max(0, right - left), stripHeight);
    painter.setFont(CaptionFont());
    painter.setPen(Qt::black);
    const QString text = painter.fontMetrics().elidedText(channelName_, Qt::ElideRight, area.width());
    painter.drawText(area, Qt::AlignCenter, text);
}

void ChannelWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    UpdateShape();
    update();
}

void ChannelWindow::childEvent(QChildEvent* event)
{
    QWidget::childEvent(event);
    // A child added through setParent() is complete when it arrives; one
    // built with this window as its parent is still being constructed then,
    // so it is styled when it is polished before it first shows.
    if (event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildPolished)
        StyleChild(event->child());
}

void ChannelWindow::StyleChild(QObject* child) const
{
    if (auto* edit = qobject_cast<QLineEdit*>(child)) {
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Base, SkinTheme::LightColour(themeCode_));
        palette.setColor(QPalette::Text, Qt::black);
        edit->setPalette(palette);
    } else if (auto* label = qobject_cast<QLabel*>(child)) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, Qt::black);
        palette.setColor(QPalette::Window, Qt::transparent);
        label->setPalette(palette);
        label->setAutoFillBackground(false);
    }
}

// Presses on the window itself (the title strip and the frame) are taken
// here so they reach no other window: the window is not moved by dragging
// its title and a double click does not maximise it.
void ChannelWindow::mousePressEvent(QMouseEvent* event)
{
    event->accept();
}

void ChannelWindow::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
}

}  // namespace brevant
