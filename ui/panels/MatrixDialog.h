// The crosspoint matrix: for every input i and output o (1..4) a switch that
// routes input i to output o and a knob for that crosspoint's gain (-30..0 dB)
// with a read-only box showing it. The Input and Output buttons head the rows
// and columns and open the popup level strip of their channel.
//
// A switch click sends MX at once; a knob sends XG when a drag, a key press
// or a wheel step ends, the moves before that only update the box. This is
// the one panel that tells the user when the device did not take a command
// ("Set matrix error").
//
// The controls follow the panel model: they show the device only after a
// read-back; until then every switch is off, every knob at 0 and every box
// empty, all disabled. While the link is lost or after a Disconnect every
// switch and knob is disabled and shows what was last read; a crosspoint
// the device's answer left unknown shows a disabled switch and knob and "?"
// in its box.
//
// Thread-safety: UI thread only.
#pragma once

#include "ui/panels/ControlPanel.h"
#include "ui/panels/PanelContext.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>

class QLineEdit;
class QPushButton;

namespace brevant {

class ImageCheckButton;
class RoundKnob;

class MatrixDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kSize = 4;  // inputs, and outputs
    static constexpr int kCells = kSize * kSize;
    static constexpr int kGainMin = -30;
    static constexpr int kGainMax = 0;

    static constexpr int kFirstCrosspointId = 1025;
    static constexpr int kFirstSpareCrosspointId = 1041;  // never shown
    static constexpr int kFirstInputButtonId = 1005;
    static constexpr int kFirstChannelButtonId = 1009;  // "Channel5".."Channel8", never shown
    static constexpr int kFirstOutputButtonId = 1013;

    // Cell j = 0..15 is input 1 + j / 4, output 1 + j % 4.
    static int Cell(int input, int output) { return kSize * (input - 1) + (output - 1); }
    static int CrosspointId(int input, int output) { return kFirstCrosspointId + Cell(input, output); }
    static int KnobId(int cell);
    static int GainBoxId(int cell);

    // Opens the popup level strip for a channel (0..3), modally.
    using PopupOpener = std::function<void(Direction direction, int channelIndex)>;

    explicit MatrixDialog(PanelContext& context, QWidget* parent = nullptr);
    ~MatrixDialog() override;

    // The room the matrix takes at 100 %, and at the form's zoom.
    static QSize BaseSize();
    QSize sizeHint() const override;
    MatrixDialog(const MatrixDialog&) = delete;
    MatrixDialog& operator=(const MatrixDialog&) = delete;

    // Replaces the popup the Input and Output buttons open; an empty opener
    // brings back the popup level strip.
    void SetPopupOpener(PopupOpener opener);

    // Shows what the model has changed (PanelModel::changed).
    void OnModelChanged(unsigned what);
    // New captions for the Input and Output buttons, in channel order; a list
    // shorter than four leaves the rest as they are.
    void RenameButtons(const QStringList& inputs, const QStringList& outputs);

    // The controls of input `input` and output `output` (1..4 each); null
    // outside the matrix.
    ImageCheckButton* Crosspoint(int input, int output) const;
    RoundKnob* Knob(int input, int output) const;
    QLineEdit* GainBox(int input, int output) const;
    QPushButton* InputButton(int input) const;
    QPushButton* OutputButton(int output) const;
    // Any control by its numeric id; null when there is none of that type.
    template <typename T>
    T* Control(int controlId) const
    {
        return FindControl<T>(*this, controlId);
    }

public slots:
    // The switch of (input, output) was clicked; it already shows its new state.
    void OnCrosspointClicked(int input, int output);
    // The user moved the knob of a cell to `position` (shown), or finished
    // moving it there (shown and sent).
    void OnKnobMoved(int cell, int position);
    void OnKnobFinished(int cell, int position);
    // Return in the gain box of a cell: the typed gain (kGainMin..kGainMax
    // dB) goes to the knob and the device as a finished knob move does.
    void OnGainTyped(int cell);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void BuildControls();
    void ShowGain(int cell, int gain);
    // Row `input` (1..4) from the model's MX and XG of that input.
    void ShowRow(int input);
    // Row `input` (1..4): switches off, knobs at 0 dB, boxes empty.
    void ClearRow(int input);
    // The 16 knobs and 16 gain boxes (the boxes stay read-only), and the switches.
    void EnableControls(bool gains, bool switches);
    void OpenLevelStrip(Direction direction, int channelIndex);
    // What a send does once the device has answered: "Set matrix error" when
    // it did not confirm.
    std::function<void(const SendOutcome&)> ReportFailure();

    PanelContext& context_;
    PopupOpener openPopup_;
    std::array<int, kCells> gains_{};
    std::array<ImageCheckButton*, kCells> crosspoints_{};
    std::array<RoundKnob*, kCells> knobs_{};
    std::array<QLineEdit*, kCells> gainBoxes_{};
    std::array<QPushButton*, kSize> inputButtons_{};
    std::array<QPushButton*, kSize> outputButtons_{};
};

}  // namespace brevant
