// The gain fader, its hidden companion trackbar, the "%ddb" level label and
// the signal-level meter that every level panel and the popup strip carry,
// with the scale that maps a fader position to a gain. The strip handles its
// fader itself: the label follows a drag, and a change the user finishes (a
// drag let go, a key, a wheel notch, or the trackbar's own change) shows the
// gain and reports it with gainChosen(); the owner decides where it goes.
//
// UI thread only.
#pragma once

#include "ui/controls/BitmapFader.h"
#include "ui/controls/LevelMeter.h"
#include "ui/controls/SkinnedTrackbar.h"
#include "ui/panels/PanelModel.h"

#include <QLabel>
#include <QLineEdit>
#include <QObject>
#include <QRect>
#include <QString>

namespace brevant {

inline constexpr int kFaderId = 1072;
inline constexpr int kHiddenTrackbarId = 1000;
inline constexpr int kSignalMeterId = 1001;
inline constexpr int kLevelLabelId = 1002;
inline constexpr int kLabelTextId = 1017;

// Fader positions 0..maxPosition, minimum at the top; gain = top - position.
struct GainScale {
    int maxPosition;
    int top;
    int GainAt(int position) const { return top - position; }
    int PositionFor(int gain) const { return top - gain; }
};
inline constexpr GainScale kInputPanelScale{48, 47};  // 47 dB .. -1 dB
inline constexpr GainScale kPopupInputScale{47, 47};  // 47 dB .. 0 dB
inline constexpr GainScale kOutputScale{40, 20};      // 20 dB .. -20 dB

// "12db", "-3db".
QString DbText(int gain);
// The bar colour for a level reading in dB: red from -5 up, orange above
// -15, green at -15 and below.
QRgb LevelColour(int reading);
// A level meter showing a reading r at position r + 100 as the number r.
void SetUpSignalMeter(LevelMeter& meter);
// The ERLE and ERL meters: 0..100 shown as they are.
void SetUpEchoMeter(LevelMeter& meter, const QString& tooltip);

class GainStrip : public QObject {
    Q_OBJECT
public:
    // Builds the controls as children of `panel`, the fader at `startPosition`
    // and the label reading `initialLabel`.
    GainStrip(QWidget* panel, GainScale scale, int startPosition, const QString& initialLabel);

    GainScale Scale() const { return scale_; }
    BitmapFader& Fader() { return *fader_; }
    SkinnedTrackbar& Trackbar() { return *trackbar_; }
    LevelMeter& Meter() { return *meter_; }
    QLabel& Label() { return *label_; }
    // The meter's reading in upright figures under the meter ("-12"); empty
    // while the meter shows nothing.
    QLabel& Readout() { return *readout_; }

    // The label (and the hidden edit box that mirrors it) show `gain`.
    void ShowGain(int gain);
    // The label shows `text` instead of a gain (empty, or "?").
    void ShowNoGain(const QString& text);
    // Fader and hidden trackbar to `position`.
    void SetPosition(int position);
    // Fader, hidden trackbar and label to `gain`.
    void SetGain(int gain);
    // Meter position for a level reading (reading + 100), and the readout.
    void ShowReading(int reading);
    // The meter and its readout show nothing.
    void ShowNoReading();
    void ColourFrom(int reading) { meter_->SetBarColour(LevelColour(reading)); }

    // Places the fader and the meter side by side in `area`, the label under
    // the fader and the readout under the meter.
    void Place(QRect area);
    // Names the fader "<channel> gain" and the meter "<channel> level" for
    // assistive technology.
    void Name(Direction direction, int channel);

signals:
    // The user finished a change of the fader or the trackbar at `gain`;
    // the label already shows it.
    void gainChosen(int gain);

private:
    void FinishChange(int position);

    GainScale scale_;
    BitmapFader* fader_;
    SkinnedTrackbar* trackbar_;
    LevelMeter* meter_;
    QLabel* label_;
    QLabel* readout_;
    QLineEdit* labelText_;
};

}  // namespace brevant
