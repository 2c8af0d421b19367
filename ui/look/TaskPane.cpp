#include "ui/look/TaskPane.h"

#include "ui/res/ResourceRegistry.h"

#include <QEvent>
#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QImage>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QVBoxLayout>

#include "ui/controls/FormZoom.h"

#include <algorithm>
#include <cmath>

namespace brevant {

namespace {

// Space at the left and right of a bar, between the icon and the text, and
// above and below the text.
constexpr int kSideMargin = 5;
constexpr int kIconGap = 4;
// A caption too long for its bar is drawn smaller, down to this size, before
// it is cut short.
constexpr qreal kSmallestCaptionPoints = 6.0;
constexpr int kVerticalPadding = 5;
// The chevron at the right of a caption bar: its width and half its height.
constexpr qreal kChevronWidth = 8.0;
constexpr qreal kChevronHalfHeight = 2.0;

bool IsDark(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightness() < 128;
}

QColor Mix(const QColor& a, const QColor& b, qreal amountOfB)
{
    const auto mix = [amountOfB](int x, int y) {
        return static_cast<int>(std::lround(x + (y - x) * amountOfB));
    };
    return QColor(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue()));
}

QFont Bold(QFont font)
{
    font.setBold(true);
    return font;
}

// The header line with the pane's caption, on a bar of the highlight colour.
class PaneHeader : public QWidget {
public:
    explicit PaneHeader(QWidget* parent) : QWidget(parent)
    {
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }

    void SetText(const QString& text)
    {
        text_ = text;
        updateGeometry();
        update();
    }

    QSize sizeHint() const override
    {
        const QFontMetrics metrics(Bold(zoom::BaseFont(*this)));
        return zoom::Scaled(QSize(metrics.horizontalAdvance(text_) + 2 * kSideMargin,
                                  metrics.height() + 2 * kVerticalPadding + 2),
                            zoom::Of(*this));
    }
    QSize minimumSizeHint() const override
    {
        return {zoom::Scaled(2 * kSideMargin, zoom::Of(*this)), sizeHint().height()};
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const double factor = zoom::Of(*this);
        painter.scale(factor, factor);
        const QRect r(QPoint(0, 0), zoom::BaseSize(*this));
        const QColor accent = palette().color(QPalette::Highlight);
        QLinearGradient fill(0, 0, 0, r.height());
        fill.setColorAt(0.0, accent.lighter(112));
        fill.setColorAt(1.0, accent.darker(108));
        painter.fillRect(r, fill);
        painter.setPen(accent.darker(140));
        painter.drawLine(r.bottomLeft(), r.bottomRight());

        const QFont font = Bold(zoom::BaseFont(*this));
        const QRect textArea = r.adjusted(kSideMargin, 0, -kSideMargin, -1);
        painter.setFont(font);
        painter.setPen(palette().color(QPalette::HighlightedText));
        painter.drawText(textArea, Qt::AlignLeft | Qt::AlignVCenter,
                         QFontMetrics(font).elidedText(text_, Qt::ElideRight, textArea.width()));
    }

    void changeEvent(QEvent* event) override
    {
        if (event->type() == QEvent::FontChange)
            updateGeometry();
        QWidget::changeEvent(event);
    }

private:
    QString text_;
};

// The caption bar of one group: icon, bold text and a chevron pointing the
// way a click folds the group, over a 1-pixel separator. A click (press and
// release on the bar) or Space/Enter toggles the group through the pane.
class GroupCaption : public QWidget {
public:
    GroupCaption(TaskPane* pane, int group, const QString& text)
        : QWidget(pane), pane_(pane), group_(group), text_(text)
    {
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        setFocusPolicy(Qt::TabFocus);
        setAttribute(Qt::WA_Hover);  // repaints on entering and leaving
        setCursor(Qt::PointingHandCursor);
        setAccessibleName(text);
    }

    void SetIcons(int bitmapId, int imageWidth)
    {
        bitmapId_ = bitmapId;
        imageWidth_ = imageWidth;
        icon_ = QImage();
        iconRatio_ = 0.0;
        updateGeometry();
        update();
    }

    QSize sizeHint() const override
    {
        const QFontMetrics metrics(Bold(zoom::BaseFont(*this)));
        const QSize icon = IconSize();
        const int iconSpace = icon.isEmpty() ? 0 : icon.width() + kIconGap;
        const int height = std::max(metrics.height(), icon.height()) + 2 * kVerticalPadding + 1;
        return zoom::Scaled(QSize(2 * kSideMargin + iconSpace + metrics.horizontalAdvance(text_) + kIconGap +
                                      static_cast<int>(kChevronWidth),
                                  height),
                            zoom::Of(*this));
    }
    QSize minimumSizeHint() const override
    {
        return {zoom::Scaled(2 * kSideMargin + static_cast<int>(kChevronWidth), zoom::Of(*this)),
                sizeHint().height()};
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const double factor = zoom::Of(*this);
        painter.scale(factor, factor);
        const QPalette& pal = palette();
        const bool dark = IsDark(pal);
        const QRect r(QPoint(0, 0), zoom::BaseSize(*this));
        const QColor accent = pal.color(QPalette::Highlight);

        QColor top = pal.color(QPalette::Button).lighter(dark ? 118 : 104);
        QColor bottom = pal.color(QPalette::Button).darker(dark ? 104 : 107);
        if (underMouse() && isEnabled()) {
            top = Mix(top, accent, 0.14);
            bottom = Mix(bottom, accent, 0.14);
        }
        QLinearGradient fill(0, 0, 0, r.height());
        fill.setColorAt(0.0, top);
        fill.setColorAt(1.0, bottom);
        painter.fillRect(r, fill);
        painter.setPen(pal.color(dark ? QPalette::Midlight : QPalette::Light));
        painter.drawLine(r.topLeft(), r.topRight());
        painter.setPen(pal.color(QPalette::Mid));
        painter.drawLine(r.bottomLeft(), r.bottomRight());

        const int middle = (r.height() - 1) / 2;
        int x = kSideMargin;
        const QImage& icon = Icon();
        if (!icon.isNull()) {
            const QSizeF size = icon.deviceIndependentSize();
            painter.drawImage(QPointF(x, std::floor((r.height() - 1 - size.height()) / 2.0)), icon);
            x += static_cast<int>(std::ceil(size.width())) + kIconGap;
        }

        const QFont font = TextFont();
        const int chevronLeft = r.width() - kSideMargin - static_cast<int>(kChevronWidth);
        const QRect textArea = TextArea();
        painter.setFont(font);
        painter.setPen(pal.color(QPalette::ButtonText));
        painter.drawText(textArea, Qt::AlignLeft | Qt::AlignVCenter,
                         QFontMetrics(font).elidedText(text_, Qt::ElideRight, textArea.width()));

        // Up when open (a click folds the group up), down when folded.
        const bool open = pane_->IsGroupExpanded(group_);
        const qreal tip = open ? -kChevronHalfHeight : kChevronHalfHeight;
        const qreal cy = middle + 0.5;
        QPainterPath chevron;
        chevron.moveTo(chevronLeft, cy - tip);
        chevron.lineTo(chevronLeft + kChevronWidth / 2.0, cy + tip);
        chevron.lineTo(chevronLeft + kChevronWidth, cy - tip);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(underMouse() && isEnabled() ? accent : pal.color(QPalette::ButtonText), 1.6,
                            Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(chevron);

        // The focus frame only once the keyboard has been used to move focus,
        // as the style does for buttons.
        if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
            painter.setRenderHint(QPainter::Antialiasing, false);
            QPen focus(accent);
            focus.setStyle(Qt::DotLine);
            painter.setPen(focus);
            painter.drawRect(r.adjusted(2, 2, -3, -3));
        }
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton)
            pressed_ = true;
        event->accept();
    }

    void mouseReleaseEvent(QMouseEvent* event) override
    {
        const bool click =
            pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
        if (event->button() == Qt::LeftButton)
            pressed_ = false;
        event->accept();
        if (click)
            Toggle();
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        switch (event->key()) {
        case Qt::Key_Space:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            Toggle();
            event->accept();
            break;
        default: QWidget::keyPressEvent(event);
        }
    }

    void changeEvent(QEvent* event) override
    {
        if (event->type() == QEvent::FontChange)
            updateGeometry();
        QWidget::changeEvent(event);
    }

private:
    void Toggle() { pane_->SetGroupExpanded(group_, !pane_->IsGroupExpanded(group_)); }

public:
    // Between the icon and the chevron, in base units.
    QRect TextArea() const
    {
        const QSize icon = IconSize();
        const QSize base = zoom::BaseSize(*this);
        const int x = kSideMargin + (icon.isEmpty() ? 0 : icon.width() + kIconGap);
        const int chevronLeft = base.width() - kSideMargin - static_cast<int>(kChevronWidth);
        return {x, 0, std::max(0, chevronLeft - kIconGap - x), base.height() - 1};
    }

    // The bold font, made smaller where the caption would not fit otherwise.
    // Measured without hinting, so it fits at every pixel ratio.
    QFont TextFont() const
    {
        QFont font = Bold(zoom::BaseFont(*this));
        const qreal room = TextArea().width();
        if (QFontMetricsF(font).horizontalAdvance(text_) <= room)
            return font;
        qreal points = QFontInfo(font).pointSizeF();
        while (points > kSmallestCaptionPoints) {
            points = std::max(kSmallestCaptionPoints, points - 0.25);
            font.setPointSizeF(points);
            if (QFontMetricsF(font).horizontalAdvance(text_) <= room)
                break;
        }
        return font;
    }

private:
    int IconCount() const
    {
        if (imageWidth_ <= 0)
            return 0;
        return res::BitmapSize(bitmapId_).width() / imageWidth_;
    }

    QSize IconSize() const
    {
        return IconCount() > 0 ? QSize(imageWidth_, res::BitmapSize(bitmapId_).height()) : QSize();
    }

    // This group's piece of the icon image at the screen's pixel ratio,
    // made again when the ratio changes.
    const QImage& Icon()
    {
        const qreal ratio = devicePixelRatioF() * zoom::Of(*this);
        if (ratio == iconRatio_)
            return icon_;
        iconRatio_ = ratio;
        icon_ = QImage();
        const int count = IconCount();
        if (count == 0)
            return icon_;
        const QImage strip = res::Bitmap(bitmapId_, ratio);
        const int piece = group_ % count;
        const int left = static_cast<int>(std::lround(piece * imageWidth_ * ratio));
        const int right = static_cast<int>(std::lround((piece + 1) * imageWidth_ * ratio));
        icon_ = strip.copy(left, 0, right - left, strip.height());
        icon_.setDevicePixelRatio(ratio);
        return icon_;
    }

    TaskPane* pane_;
    int group_;
    QString text_;
    int bitmapId_ = 0;
    int imageWidth_ = 0;
    QImage icon_;
    qreal iconRatio_ = 0.0;
    bool pressed_ = false;
};

}  // namespace

TaskPane::TaskPane(QWidget* parent) : QWidget(parent)
{
    setBackgroundRole(QPalette::Window);
    setAutoFillBackground(true);

    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
    header_ = new PaneHeader(this);
    header_->hide();
    layout_->addWidget(header_);
    // Keeps the groups at the top when the pane is taller than they are.
    layout_->addStretch(1);
}

TaskPane::~TaskPane() = default;

void TaskPane::SetCaption(const QString& caption)
{
    caption_ = caption;
    static_cast<PaneHeader*>(header_)->SetText(caption);
    header_->setVisible(!caption.isEmpty());
}

void TaskPane::SetIconList(int bitmapId, int imageWidth)
{
    iconBitmapId_ = bitmapId;
    iconWidth_ = imageWidth;
    for (const Group& group : groups_)
        static_cast<GroupCaption*>(group.caption)->SetIcons(bitmapId, imageWidth);
}

int TaskPane::AddGroup(const QString& caption, bool expanded)
{
    const int number = GroupCount();
    Group group;
    group.expanded = expanded;
    auto* bar = new GroupCaption(this, number, caption);
    bar->SetIcons(iconBitmapId_, iconWidth_);
    group.caption = bar;
    group.body = new QWidget(this);
    group.bodyLayout = new QVBoxLayout(group.body);
    group.bodyLayout->setContentsMargins(0, 0, 0, 0);
    group.bodyLayout->setSpacing(0);

    // Before the closing stretch. Shown (or hidden) explicitly, so a group
    // added to a pane already on screen appears at once.
    layout_->insertWidget(layout_->count() - 1, group.caption);
    layout_->insertWidget(layout_->count() - 1, group.body);
    group.caption->show();
    group.body->setVisible(expanded);
    groups_.push_back(group);
    return number;
}

void TaskPane::AddWindow(int group, QWidget* child, int height)
{
    if (!Exists(group) || !child)
        return;
    Group& g = groups_[static_cast<std::size_t>(group)];
    child->setParent(g.body);
    zoom::SetFixedHeight(*child, std::max(0, height));
    child->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    g.bodyLayout->addWidget(child);
    child->show();
    if (!g.window)
        g.window = child;
}

void TaskPane::SetGroupExpanded(int group, bool expanded)
{
    if (!Exists(group))
        return;
    Group& g = groups_[static_cast<std::size_t>(group)];
    if (g.expanded == expanded)
        return;
    g.expanded = expanded;
    g.body->setVisible(expanded);
    g.caption->update();
    emit groupExpandedChanged(group, expanded);
}

bool TaskPane::IsGroupExpanded(int group) const
{
    return Exists(group) && groups_[static_cast<std::size_t>(group)].expanded;
}

QWidget* TaskPane::GroupWindow(int group) const
{
    return Exists(group) ? groups_[static_cast<std::size_t>(group)].window.data() : nullptr;
}

QRect TaskPane::CaptionRect(int group) const
{
    return Exists(group) ? groups_[static_cast<std::size_t>(group)].caption->geometry() : QRect();
}

QRect TaskPane::CaptionTextRect(int group) const
{
    return Exists(group)
               ? static_cast<GroupCaption*>(groups_[static_cast<std::size_t>(group)].caption)->TextArea()
               : QRect();
}

QFont TaskPane::CaptionFont(int group) const
{
    return Exists(group)
               ? static_cast<GroupCaption*>(groups_[static_cast<std::size_t>(group)].caption)->TextFont()
               : QFont();
}

}  // namespace brevant
