// The output level panel, the one panel of an output channel pane: gain
// fader, label and meter, Mute, and the delay time and the low-pass and
// high-pass limits typed into boxes (integers only, their units beside them)
// and sent with their "Set" buttons or the Return key. Each box's tooltip
// gives its range; a value sent other than typed is named in the status bar.
// Where the output has a delay, the device decides what a set of one of the
// three does to the delay or the low-pass limit: the other is read back
// from it and shown as it holds it. Enter and Escape never leave the panel.
#pragma once

#include "ui/panels/LevelPanel.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace brevant {

class OutputLevelPanel : public LevelPanel {
    Q_OBJECT
public:
    static constexpr int kSetDelayId = 1005;
    static constexpr int kSetLowpassId = 1006;
    static constexpr int kSetHighpassId = 1007;
    static constexpr int kDelayComboId = 1009;
    static constexpr int kLowpassComboId = 1010;
    static constexpr int kDelayEditId = 1018;
    static constexpr int kLowpassEditId = 1019;
    static constexpr int kHighpassEditId = 1020;
    static constexpr int kDelayCaptionId = 1026;
    static constexpr int kLowpassCaptionId = 1027;
    static constexpr int kHighpassCaptionId = 1028;

    OutputLevelPanel(PanelContext& context, int channelIndex, ModelFamily paneFamily,
                     QWidget* parent = nullptr);
    ~OutputLevelPanel() override;

    // What the three boxes hold (read from them before a send).
    int delayTime = 0;
    int lowpassLimit = 0;
    int highpassLimit = 0;

    QLineEdit& DelayEdit() { return *delayEdit_; }
    QLineEdit& LowpassEdit() { return *lowpassEdit_; }
    QLineEdit& HighpassEdit() { return *highpassEdit_; }

    void OnSetDelay();
    void OnSetLowpass();
    void OnSetHighpass();
    void OnDelayComboChanged(int index);
    void OnLowpassComboChanged(int index);
    // Shows what the model has changed (PanelModel::changed).
    void OnModelChanged(unsigned what);
    // The members into the three boxes; a box whose setting the model does
    // not know is left empty.
    void WriteEdits();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct LimitRow {
        QLabel* caption;
        QLineEdit* edit;
        QLabel* unit;
        QPushButton* set;
    };
    LimitRow AddRow(int captionId, const QString& caption, int editId, Op op, int setId);
    // Reads the three boxes into the members; a box that holds no integer
    // keeps its member and the user is told.
    void ReadEdits(const QLineEdit* asked);

    LimitRow delay_;
    LimitRow lowpass_;
    LimitRow highpass_;
    QLineEdit* delayEdit_;
    QLineEdit* lowpassEdit_;
    QLineEdit* highpassEdit_;
    QComboBox* delayCombo_;
    QComboBox* lowpassCombo_;
};

}  // namespace brevant
