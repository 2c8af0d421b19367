// The bar meter of every level display: a rounded bar filled in proportion to
// a position between two limits, with a gloss, a frame, scale ticks when it
// stands upright and the position (plus an offset) written over it.
//
// Panels refresh many meters several times a second, so the bar is kept as
// two pictures, empty and full, drawn at the scale the meter is shown at (a
// zoomed form included) and rebuilt only when the meter's size, scale,
// limits or colours change. A new position copies the full picture's filled
// part over the empty one and writes the number: no gradient, path or font
// search per pass. A setter that changes nothing visible does not repaint.
#pragma once

#include "ui/controls/LaidOutText.h"

#include <QFont>
#include <QPixmap>
#include <QRectF>
#include <QRgb>
#include <QString>
#include <QWidget>

#include <cstdint>

namespace brevant {

// The colours the panels give a meter's bar as the level crosses thresholds.
inline constexpr QRgb kZoneRed = 0xFFFF0000;
inline constexpr QRgb kZoneOrange = 0xFFFFA500;
inline constexpr QRgb kZoneGreen = 0xFF008000;

class LevelMeter : public QWidget {
    Q_OBJECT

public:
    static constexpr QRgb kDefaultBarColour = 0xFFFFD700;    // gold
    static constexpr QRgb kDefaultFrameColour = 0xFFD3D3D3;  // light grey
    static constexpr QRgb kEmptyColour = 0xFF808080;         // the part not filled
    static constexpr QRgb kTickColour = 0xFF0000FF;          // scale of an upright meter

    explicit LevelMeter(QWidget* parent = nullptr);
    explicit LevelMeter(int controlId, Qt::Orientation orientation = Qt::Horizontal,
                        QWidget* parent = nullptr);

    // The limits are kept as 16-bit numbers; the span is their distance, at
    // least 1. The position is brought back between the new limits.
    void SetLimits(int lower, int upper);
    void GetLimits(int& lower, int& upper) const;
    int Span() const { return span_; }

    // The position is clamped to the limits; an unchanged position does not
    // repaint.
    void SetValue(int position);
    int GetValue() const { return position_; }

    // `redraw` false keeps the new colour for the next time the meter is
    // painted without asking for a repaint now.
    void SetBarColour(QRgb colour, bool redraw = true);
    QRgb BarColour() const { return barColour_; }
    void SetFrameColour(QRgb colour, bool redraw = true);
    QRgb FrameColour() const { return frameColour_; }

    // The text is kept either way; it is the widget's tooltip only while active.
    void SetTooltipText(const QString& text, bool activate);
    QString TooltipText() const { return tooltipText_; }

    // The unit ("dB") is not drawn; it follows the number in ValueText().
    void SetUnitText(const QString& text) { unitText_ = text; }
    QString UnitText() const { return unitText_; }

    // The number written on the meter is the position plus this offset.
    void SetDisplayOffset(int offset);
    int DisplayOffset() const { return displayOffset_; }
    void SetShowText(bool show);
    bool ShowText() const { return showText_; }
    // The number as it is written on the meter, e.g. "-60", and as it is
    // read out with its unit, "-60 dB".
    QString DisplayText() const;
    QString ValueText() const;

    // Where the number is written: the inside of the bar, clear of its
    // outline and of an upright meter's ticks. An upright meter writes it
    // along the bar, reading upwards. In the form's base units, as the font:
    // a zoomed form scales both with the painter.
    QRectF NumberArea() const;
    // The font the number is written in: 6 points where the widest number
    // the limits allow fits in NumberArea(), smaller where it would not, so
    // no number is ever cut off and the size does not change with the value.
    QFont NumberFont() const;

    // The filled part in whole percent of the bar (0..100).
    int FilledPercent() const;

    void SetOrientation(Qt::Orientation orientation);
    Qt::Orientation Orientation() const { return orientation_; }

    // Drops the cached drawing; the next paint draws it afresh.
    void Rebuild(bool redraw = true);

    // The number the owner knows this meter by, kept in the "controlId"
    // property too.
    void SetControlId(int controlId);
    int ControlId() const { return controlId_; }

    // How many times the bar's pictures were rebuilt (the rest of the paints copy them).
    int RenderCount() const { return renderCount_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Invalidate(bool redraw);
    void TakeZoom();
    // The widget's size in the form's base units (FormZoom.h), which
    // everything is measured and drawn in.
    QSizeF BaseSize() const;
    // The outline of the bar inside the widget.
    QRectF BarRect() const;
    // The bar empty and full, each with its gloss, frame and ticks, at
    // `ratio` pixels to the widget's unit.
    void RenderLayers(qreal ratio);
    void PaintLayer(QPainter& painter, QRgb fill) const;
    // The filled part of the full picture, in its pixels.
    QRect FilledPixels() const;
    void PaintNumber(QPainter& painter);
    QFont FittingNumberFont(const QRectF& area) const;
    void TakePaletteColours();

    std::int16_t lower_ = 0;
    std::int16_t upper_ = 100;
    int span_ = 100;
    int position_ = 0;
    QRgb barColour_ = kDefaultBarColour;
    QRgb frameColour_ = kDefaultFrameColour;
    QRgb emptyColour_ = kEmptyColour;
    QRgb backColour_ = 0;
    QRgb textColour_ = 0;
    bool showText_ = true;
    QString unitText_;
    int displayOffset_ = 0;
    QString tooltipText_;
    Qt::Orientation orientation_ = Qt::Horizontal;
    int controlId_ = 0;
    double zoom_ = 1.0;

    QPixmap empty_;
    QPixmap full_;
    qreal layerRatio_ = 0.0;
    bool layersStale_ = true;
    int renderCount_ = 0;
    // NumberFont() searches sizes; it is kept for what it depends on: the
    // limits, the shape of the number shown (digits are of one width, so its
    // sign and length) and the area it is written in.
    struct NumberShape {
        int lower = 0;
        int upper = 0;
        int shownLength = -1;  // with its sign
        QRectF area;
        bool upright = false;
        bool operator==(const NumberShape& other) const = default;
    };
    mutable QFont numberFont_;
    LaidOutTexts numbers_;
    mutable NumberShape numberShape_;
};

}  // namespace brevant
