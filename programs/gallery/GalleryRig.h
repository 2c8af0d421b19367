// A panel context for the gallery: a mirror filled with a plausible device
// setting and a link to a port that does not exist, so the panels draw what
// a connected device would show without any device. The rig is a child of
// the stage it serves and goes with it.
#pragma once

#include "core/DeviceLink.h"
#include "core/PosixSerialPort.h"
#include "procedures/CommandQueue.h"
#include "ui/panels/PanelContext.h"

#include <QObject>

namespace brevant::gallery {

class GalleryRig : public QObject {
public:
    // A device of `family` with the sample setting.
    GalleryRig(ModelFamily family, QObject* parent);
    ~GalleryRig() override;

    PanelContext& Context() { return context_; }
    // The rig's own mirror, which no device or worker shares: the scenes put
    // their state in it before anything is built on it.
    DeviceParams& Mirror() { return state_.params; }
    // Puts the sample setting into the mirror.
    void FillSample();
    // Shows the sample setting in every pane and the matrix built so far.
    void Refresh();

private:
    DeviceState state_;
    PosixSerialPort port_;
    DeviceLink link_;
    CommandQueue queue_;
    PanelContext context_;
};

}  // namespace brevant::gallery
