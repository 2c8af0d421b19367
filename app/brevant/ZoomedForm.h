// The form seen through a zoom: the channel view and the matrix scaled as one
// picture, so every control keeps its place relative to the others. A fixed
// zoom that is larger than the window scrolls; "Fit to window" scales the
// form to the window, keeping its proportions.
//
// The form lives in a graphics scene; its widgets work as before (mouse,
// wheel, keyboard and focus reach them through the scene).
//
// UI thread only.
#pragma once

#include <QGraphicsView>
#include <QString>

#include <array>
#include <optional>

class QGraphicsProxyWidget;

namespace brevant {

enum class Zoom { Percent100, Percent125, Percent150, Percent200, Fit };

inline constexpr std::array<Zoom, 5> kZooms{Zoom::Percent100, Zoom::Percent125, Zoom::Percent150,
                                            Zoom::Percent200, Zoom::Fit};

// The menu text ("&150 %", "&Fit to window") and the word kept in the
// settings ("150", "fit").
QString ZoomMenuText(Zoom zoom);
QString ZoomSettingText(Zoom zoom);
std::optional<Zoom> ZoomFromSetting(const QString& text);

class ZoomedForm : public QGraphicsView {
    Q_OBJECT
public:
    // Takes `form` (which must have no parent) into its scene. The form's
    // minimum size is the size of the picture at 100 %.
    explicit ZoomedForm(QWidget* form, QWidget* parent = nullptr);
    ~ZoomedForm() override;

    void SetZoom(Zoom zoom);
    Zoom CurrentZoom() const { return m_zoom; }
    // The scale in effect now (for Fit, the one the window size gives).
    double Scale() const { return m_scale; }
    // Where `local`, a point of a widget on the form, is on the screen.
    QPoint GlobalPos(QWidget& control, QPoint local) const;
    // Takes the form's present minimum size as the picture's size again.
    void FormSizeChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Apply();

    QWidget* m_form;
    QGraphicsProxyWidget* m_proxy;
    Zoom m_zoom = Zoom::Percent100;
    double m_scale = 1.0;
};

}  // namespace brevant
