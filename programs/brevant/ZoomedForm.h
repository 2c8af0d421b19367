// The form seen through a zoom: the channel view and the matrix scaled as one
// picture, so every control keeps its place relative to the others. A fixed
// zoom that is larger than the window scrolls; "Fit to window" scales the
// form to the window, keeping its proportions.
//
// At 100 % the form sits in a plain scroll area. Any other zoom puts it in a
// graphics scene, whose view scales it; its widgets work as before there
// (mouse, wheel, keyboard and focus reach them through the scene). Only the
// parts that changed are drawn again, yet the scene's own work per redraw
// still about doubles the meters' cost, so 100 % keeps the direct way.
//
// UI thread only.
#pragma once

#include <QString>
#include <QWidget>

#include <array>
#include <optional>

class QGraphicsProxyWidget;
class QGraphicsView;
class QScrollArea;
class QScrollBar;
class QStackedLayout;

namespace brevant {

enum class Zoom { Percent100, Percent125, Percent150, Percent200, Fit };

inline constexpr std::array<Zoom, 5> kZooms{Zoom::Percent100, Zoom::Percent125, Zoom::Percent150,
                                            Zoom::Percent200, Zoom::Fit};

// The menu text ("&Extra large (150 %)", "&Fit to window") and the word kept in the
// settings ("150", "fit").
QString ZoomMenuText(Zoom zoom);
QString ZoomSettingText(Zoom zoom);
std::optional<Zoom> ZoomFromSetting(const QString& text);

class ZoomedForm : public QWidget {
    Q_OBJECT
public:
    // Takes `form` (which must have no parent). The form's minimum size is
    // the size of the picture at 100 %.
    explicit ZoomedForm(QWidget* form, QWidget* parent = nullptr);
    ~ZoomedForm() override;

    void SetZoom(Zoom zoom);
    Zoom CurrentZoom() const { return zoom_; }
    // The scale in effect now (for Fit, the one the window size gives).
    double Scale() const { return scale_; }
    // The widget the picture is drawn on, and its scroll bars.
    QWidget* Viewport() const;
    QScrollBar* ScrollBar(Qt::Orientation orientation) const;
    // Where `local`, a point of a widget on the form, is on the viewport and
    // on the screen; and scrolling it into sight.
    QPoint ViewportPos(QWidget& control, QPoint local) const;
    QPoint GlobalPos(QWidget& control, QPoint local) const;
    void EnsureVisible(QWidget& control, QPoint local);
    // Takes the form's present minimum size as the picture's size again.
    void FormSizeChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    bool Scaled() const { return zoom_ != Zoom::Percent100; }
    void Apply();

    QWidget* form_;
    QStackedLayout* stack_;
    QScrollArea* plain_;
    QGraphicsView* view_;
    QGraphicsProxyWidget* proxy_;
    Zoom zoom_ = Zoom::Percent100;
    double scale_ = 1.0;
};

}  // namespace brevant
