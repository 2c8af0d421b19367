// The popup level strip the matrix dialog opens for one input or one output:
// its gain fader, level meter and mute, run modally. It opens on what the
// mirror holds, sends at once, with no group behaviour, and then follows the
// panel model while the link is up (meter, gain and mute; the fader stays
// where the user left it).
#pragma once

#include "ui/panels/GainStrip.h"
#include "ui/panels/PanelContext.h"

#include <QDialog>
#include <QPixmap>

namespace brevant {

class ImageCheckButton;

class LevelPopupDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMuteId = 1003;

    LevelPopupDialog(PanelContext& context, Direction direction, int channelIndex, QWidget* parent = nullptr);
    ~LevelPopupDialog() override;

    Direction PopupDirection() const { return direction_; }
    int ChannelIndex() const { return channelIndex_; }
    int GainDb() const { return gainDb_; }
    GainStrip& Strip() { return strip_; }
    ImageCheckButton& Mute() { return *mute_; }

    void OnMuteClicked();
    // Shows what the model has changed (PanelModel::changed).
    void OnModelChanged(unsigned what);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void EnableFromModel();
    bool IsInput() const { return direction_ == Direction::Input; }
    void SendGain(int gain);

    PanelContext& context_;
    Direction direction_;
    int channelIndex_;
    int gainDb_ = 0;
    GainStrip strip_;
    ImageCheckButton* mute_;
    QPixmap background_;
};

}  // namespace brevant
