// The monitor of the channel under test in the sound test: its input and
// output level meters, its gain fader (0 at the top is 42 dB, 42 at the bottom
// is 0 dB) with the gain written below, and its phantom power switch. It only
// shows what it is given; the dialog decides when and sends the changes.
//
// Thread-safety: UI thread only.
#pragma once

#include <QGroupBox>

class QLabel;

namespace brevant {

class BitmapFader;
class ImageCheckButton;
class LevelMeter;
class SkinnedTrackbar;

class SoundTestMonitor : public QGroupBox {
    Q_OBJECT
public:
    static constexpr int kTrackbarId = 1000;  // hidden, keeps the fader's position
    static constexpr int kInputMeterId = 1001;
    static constexpr int kOutputMeterId = 1002;
    static constexpr int kPhantomId = 1003;
    static constexpr int kBoxId = 1030;
    static constexpr int kGainTextId = 1031;
    static constexpr int kFaderId = 1072;
    static constexpr int kInCaptionId = 1099;
    static constexpr int kOutCaptionId = 1100;

    explicit SoundTestMonitor(QWidget* parent = nullptr);
    ~SoundTestMonitor() override;

    LevelMeter& InputMeter() const { return *inputMeter_; }
    LevelMeter& OutputMeter() const { return *outputMeter_; }
    BitmapFader& Fader() const { return *fader_; }
    SkinnedTrackbar& Trackbar() const { return *trackbar_; }
    QLabel& GainText() const { return *gainText_; }
    ImageCheckButton& Phantom() const { return *phantom_; }

    // The gain a fader position stands for, and back.
    static int GainAt(int faderValue);
    static int FaderValueFor(int gain) { return GainAt(gain); }

    // The text reads "<gain>db".
    void ShowGain(int gain);
    // Fader, hidden trackbar and text at `gain`.
    void SetGain(int gain);
    // Level readings in dB: each meter at reading + 100, coloured by level.
    void ShowLevels(int input, int output);
    // Both meters empty and green, the gain at 0 dB; the fader's channel
    // drawn again at the present screen scale.
    void Reset();

private:
    void LoadFaderImages();

    LevelMeter* inputMeter_;
    LevelMeter* outputMeter_;
    BitmapFader* fader_;
    SkinnedTrackbar* trackbar_;
    QLabel* gainText_;
    ImageCheckButton* phantom_;
};

}  // namespace brevant
