// The base of every panel: a child window with its channel fields, its
// controls addressed by their numeric ids, and an optional background image
// tiled from the top-left corner.
//
// Every control of a panel carries its id in the "controlId" property and as
// its object name, so that refreshes and tests find it with Control<T>(id).
#pragma once

#include "core/Catalogue.h"
#include "ui/panels/PanelModel.h"

#include <QPixmap>
#include <QVariant>
#include <QWidget>

namespace brevant {

class ImageCheckButton;
class PanelContext;

// A switch as the model has it: checked or not, or, when the device's state
// is unknown, unchecked and disabled so that it claims nothing.
void ShowSwitch(ImageCheckButton& check, bool on, bool unknown);

// Gives `control` its numeric id (property "controlId" and object name).
void TagControl(QWidget* control, int controlId);

// What assistive technology calls a control of channel `channel` (1..4):
// "Input 2 gain", "Output 1 Mute".
QString ControlName(Direction direction, int channel, const QString& what);

// The control of type T with `controlId` among the children of `owner`;
// null when there is none.
template <typename T>
T* FindControl(const QObject& owner, int controlId)
{
    for (T* child : owner.findChildren<T*>()) {
        if (child->property("controlId").toInt() == controlId)
            return child;
    }
    return nullptr;
}

class ControlPanel : public QWidget {
    Q_OBJECT
public:
    ControlPanel(PanelContext& context, QWidget* parent = nullptr);
    ~ControlPanel() override;
    ControlPanel(const ControlPanel&) = delete;
    ControlPanel& operator=(const ControlPanel&) = delete;

    // Set by the pane before the panel is built.
    int channelFlag = 1;
    int channelIndex = 0;
    ModelFamily paneFamily = ModelFamily::K225;  // the family whose pane holds the panel

    // The control with `controlId` among this panel's children; null when the
    // panel has none of that type.
    template <typename T>
    T* Control(int controlId) const
    {
        return FindControl<T>(*this, controlId);
    }

    PanelContext& Context() const { return context_; }
    // The channel number on the wire (1..4).
    int Channel() const { return channelIndex + 1; }
    // Whether this panel's pane is the one the connected model uses.
    bool Live() const;
    // Whether the model holds no value of `op` for this panel's channel: no
    // read-back yet, or the device's answer is missing.
    bool UnknownHere(Op op) const;
    // Whether the pane's family has `op` on this panel's channel: a control
    // for a setting it lacks is not shown.
    bool HasHere(Op op) const { return CommandFor(op).HasOn(paneFamily, Channel()); }

protected:
    // A check button of this panel with the panels' two icons, unchecked.
    ImageCheckButton* AddCheck(int controlId, const QString& caption);
    // Names every check button of the panel after its channel and caption.
    void NameChecks(Direction direction);
    // Tiles image `imageId` (res::k...) over the panel; 0 erases with the palette.
    void SetBackgroundImage(int imageId);
    void paintEvent(QPaintEvent* event) override;

private:
    PanelContext& context_;
    int backgroundId_ = 0;
    QPixmap background_;
    qreal ratio_ = 1.0;
};

}  // namespace brevant
