// The form at a zoom: the channel view and the matrix laid out and drawn at
// the zoom's scale, so every control keeps its place relative to the others.
// A fixed zoom that is larger than the window scrolls; "Fit to window" scales
// the form to the window, keeping its proportions.
//
// The form sits in a plain scroll area at every zoom. Its widgets are placed
// and drawn at the scale themselves (ui/controls/FormZoom.h), so a meter's
// redraw costs the same at any zoom: only its own pixels are painted.
//
// UI thread only.
#pragma once

#include <QString>
#include <QWidget>

#include <array>
#include <optional>

class QScrollArea;
class QScrollBar;

namespace brevant {

class MainForm;

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
    // Takes `form` (which must have no parent) and lays it out at the zoom
    // whenever its size at 100 % changes.
    explicit ZoomedForm(MainForm* form, QWidget* parent = nullptr);
    ~ZoomedForm() override;

    void SetZoom(Zoom zoom);
    Zoom CurrentZoom() const { return zoom_; }
    // The scale in effect now (for Fit, the one the window size gives).
    double Scale() const { return scale_; }
    // The widget the form is shown on, and its scroll bars.
    QWidget* Viewport() const;
    QScrollBar* ScrollBar(Qt::Orientation orientation) const;
    // Where `local`, a point of a widget on the form, is on the viewport and
    // on the screen; and scrolling it into sight.
    QPoint ViewportPos(QWidget& control, QPoint local) const;
    QPoint GlobalPos(QWidget& control, QPoint local) const;
    void EnsureVisible(QWidget& control, QPoint local);
    // Lays the form out again for its present size at 100 %.
    void FormSizeChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Apply();

    MainForm* form_;
    QScrollArea* area_;
    Zoom zoom_ = Zoom::Percent100;
    double scale_ = 0.0;
};

}  // namespace brevant
