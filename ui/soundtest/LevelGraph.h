// The result graph of the sound test: two measured curves against frequency,
// on a logarithmic frequency axis from 10 Hz to 20 kHz and a level axis in dB
// whose range the owner sets, under a title and a legend naming the curves.
// The graph only shows what it is given: the owner fills the curves and the
// frequencies, then calls update().
#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>

#include <array>
#include <vector>

class QPainter;

namespace brevant {

class LevelGraph : public QWidget {
    Q_OBJECT

public:
    // Points per curve, and the curves a graph holds (1..3; the third is kept
    // for the owner but never drawn).
    static constexpr int kPointCount = 100;
    static constexpr int kCurveCount = 3;

    // The frequency axis; fixed.
    static constexpr double kXMin = 10.0;
    static constexpr double kXMax = 20000.0;

    // A text the graph paints and the box it takes, in widget coordinates.
    struct TextBox {
        QRect box;
        QString text;
    };

    // Where everything goes at one size. Every text box lies inside the
    // widget, outside the plot area and clear of every other; when the size
    // leaves no room for them, the plot fills the widget and there are none.
    struct Layout {
        // right() and bottom() are the last pixel column and row inside it.
        QRect plot;
        TextBox title;
        // One entry per drawn curve: its colour as a short line, then its name.
        std::vector<TextBox> legend;
        TextBox levelUnit;      // above the level labels
        TextBox frequencyUnit;  // below the frequency labels
        // Level labels from the lowest tick up to the top edge: every tenth
        // of the range when the height allows, else every second or fifth.
        std::vector<TextBox> levelLabels;
        // Frequency labels from 10 Hz up to 20 kHz, level with the axis; one
        // that would touch its neighbour is left out, never the last.
        std::vector<TextBox> frequencyLabels;
    };

    // The name of curve 1 or 2, as the legend and the CSV header give it.
    static QString CurveName(int curve);

    explicit LevelGraph(QWidget* parent = nullptr);

    // curve 1..3: every value back to 0. Other numbers do nothing.
    void ClearCurve(int curve);
    // index 0..99, curve 1..3; anything else does nothing.
    void SetCurvePoint(double value, int index, int curve);
    // The frequency in Hz of point index (0..99) of every curve. A point whose
    // frequency lies outside 10 Hz..20 kHz is not drawn nor exported.
    void SetXValue(double frequency, int index);
    void SetYMax(double value);
    void SetYMin(double value);
    // Tick labels on (the default) leave room around the plot area for them.
    void SetShowLabels(bool show);
    void SetShowGrid(bool show);
    void SetBackgroundColour(const QColor& colour);
    // The line above the legend; an empty title shows "Sound test result".
    void SetTitle(const QString& title);

    // 0 for an index or curve out of range.
    double CurvePoint(int index, int curve) const;
    double XValue(int index) const;
    double XMin() const { return kXMin; }
    double XMax() const { return kXMax; }
    double YMax() const { return yMax_; }
    double YMin() const { return yMin_; }
    bool ShowLabels() const { return showLabels_; }
    bool ShowGrid() const { return showGrid_; }
    QColor BackgroundColour() const { return backgroundColour_; }
    QString Title() const;

    // What the next paint draws where, at the present size; only the plot
    // area when labels are off.
    Layout Arrangement() const;

    // The graph as painted, at the present size times scale (2 for a sharper
    // copy of the same picture). A null image when the widget has no area or
    // the scale is not a positive number.
    QImage Render(qreal scale = 1.0) const;

    // Keep the measurement. Both write to a temporary file and only replace
    // path once all of it is written. On failure they return false and, when
    // error is given, put there what went wrong, naming the file.
    // The picture as painted, scaled as Render() does.
    bool ExportPng(const QString& path, QString* error, qreal scale = 1.0) const;
    // A header naming the columns ("frequency (Hz)", then each curve's name
    // with its unit), then one line per drawn point in index order; '.' as
    // the decimal separator whatever the locale.
    bool ExportCsv(const QString& path, QString* error) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    using Curve = std::array<double, kPointCount>;

    static bool ValidCurve(int curve);
    static bool ValidIndex(int index);
    static bool InAxisRange(double frequency);

    Layout LayoutFor(QSize size) const;
    std::vector<TextBox> LevelLabelsFor(const QRect& plot) const;
    std::vector<TextBox> FrequencyLabelsFor(const QRect& plot) const;
    static double XPosition(const QRect& plot, double frequency);
    double YPosition(const QRect& plot, double value) const;
    void Paint(QPainter& painter, QSize size) const;
    void PaintGrid(QPainter& painter, const QRect& plot) const;
    void PaintTexts(QPainter& painter, const Layout& layout) const;
    void PaintCurve(QPainter& painter, const QRect& plot, const Curve& curve, const QColor& colour) const;

    std::array<Curve, kCurveCount> curves_{};
    std::array<double, kPointCount> xValues_{};
    double yMax_ = 100.0;
    double yMin_ = 0.0;
    bool showLabels_ = true;
    bool showGrid_ = true;
    QColor backgroundColour_ = Qt::white;
    QString title_;
};

}  // namespace brevant
