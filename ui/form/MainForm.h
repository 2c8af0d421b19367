// The main form: four input and four output channel windows side by side,
// the matrix dialog that takes the whole form instead, the Group / Input /
// Output check boxes and the progress bar of the firmware upgrade.
//
// Left to right the form shows the inputs in descending order, then the
// outputs in ascending order, the first input and the first output side by
// side in the middle. A K217 or K218 renames the first channel of
// each direction "VCSIn" / "VCSOut" and shifts the names of the others.
//
// UI thread only.
#pragma once

#include "ui/panels/PanelContext.h"

#include <QWidget>

#include <array>

class QLabel;

namespace brevant {

class ImageCheckButton;
class InputChannelWindow;
class LevelMeter;
class MatrixDialog;
class OutputChannelWindow;

class MainForm : public QWidget {
    Q_OBJECT
public:
    enum class ViewMode { ChannelView, MatrixView, BlankView };

    static constexpr int kProgressId = 1001;
    static constexpr int kGroupId = 1003;
    static constexpr int kInputId = 1004;
    static constexpr int kOutputId = 1005;
    static constexpr int kWindowTop = 50;
    static constexpr int kWindowWidth = 120;
    static constexpr int kWindowHeight = 500;

    explicit MainForm(PanelContext& context, QWidget* parent = nullptr);
    ~MainForm() override;

    void SetViewMode(ViewMode mode);
    ViewMode Mode() const { return mode_; }

    InputChannelWindow& InputWindow(int k) { return *inputs_.at(static_cast<std::size_t>(k)); }
    OutputChannelWindow& OutputWindow(int k) { return *outputs_.at(static_cast<std::size_t>(k)); }
    MatrixDialog& Matrix() { return *matrix_; }
    LevelMeter& ProgressBar() { return *progress_; }
    ImageCheckButton& GroupCheck() { return *group_; }
    ImageCheckButton& InputCheck() { return *input_; }
    ImageCheckButton& OutputCheck() { return *output_; }

    void OnGroupCheck();
    void OnInputCheck();
    void OnOutputCheck();
    // Shows the panes, names and places of a newly connected family.
    void OnModelChanged(unsigned what);

    // The names a family gives the channel windows: inputs 0..3, then outputs 0..3.
    static std::array<QString, 8> ChannelNames(ModelFamily family);
    // The x position of input window k (0..3) or output window k (4..7).
    static int ChannelX(int window);

    // The size the form needs at 100 %; the window lays it out at its zoom.
    QSize BaseSize() const { return baseSize_; }

signals:
    // The form's size at 100 % changed.
    void formSizeChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // The model's family; a K225's before any connection.
    ModelFamily Family() const;
    // Names and places for the family, when it is a known one.
    void PlaceChannels();
    void ShowInputs(bool shown);
    void ShowOutputs(bool shown);

    PanelContext& context_;
    std::array<InputChannelWindow*, kChannels> inputs_{};
    std::array<OutputChannelWindow*, kChannels> outputs_{};
    MatrixDialog* matrix_ = nullptr;
    QWidget* blank_ = nullptr;
    LevelMeter* progress_ = nullptr;
    QLabel* hint_ = nullptr;  // "Not connected — …" while no device is connected
    ImageCheckButton* group_ = nullptr;
    ImageCheckButton* input_ = nullptr;
    ImageCheckButton* output_ = nullptr;
    ViewMode mode_ = ViewMode::ChannelView;
    bool viewReady_ = false;
    bool layoutPending_ = false;
    QSize baseSize_;
};

}  // namespace brevant
