// A channel window: a borderless child of the main view, normally 120 x 500,
// that paints its own frame, title strip and background from the skin images
// recoloured to its theme, shows the channel name in the title strip, and
// holds the channel's two panes, of which one is shown. Of the title buttons
// only "exit" (133) and "menu" (138) exist, 9 x 9, with tooltips; clicking
// them does nothing, and neither do clicks on the title strip (the window
// cannot be dragged or maximised).
//
// Edit boxes placed directly on the window get the theme's light colour
// behind black text; labels placed directly on it get black text on a
// transparent background.
//
// InputChannelWindow and OutputChannelWindow set the theme and the pane kinds.
// UI thread only.
#pragma once

#include "core/Catalogue.h"

#include <QImage>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include <array>

class QChildEvent;
class QMouseEvent;
class QPaintEvent;
class QResizeEvent;

namespace brevant {

class ChannelPane;
class SkinButton;
class PanelContext;

class ChannelWindow : public QWidget {
    Q_OBJECT

public:
    // The title buttons by control number.
    static constexpr int kMinButton = 131;
    static constexpr int kMaxButton = 132;
    static constexpr int kExitButton = 133;
    static constexpr int kTrayButton = 134;
    static constexpr int kColorButton = 135;
    static constexpr int kTopButton = 136;
    static constexpr int kPlusButton = 137;
    static constexpr int kMenuButton = 138;

    // Where the panes sit; the bottom differs by kind of window.
    static constexpr int kPaneLeft = 5;
    static constexpr int kPaneTop = 20;
    static constexpr int kPaneRight = 115;

    ~ChannelWindow() override;
    ChannelWindow(const ChannelWindow&) = delete;
    ChannelWindow& operator=(const ChannelWindow&) = delete;

    int ChannelIndex() const { return channelIndex_; }
    int ChannelFlag() const { return channelFlag_; }
    // 'r' for an input window, 'g' for an output window.
    char ThemeCode() const { return themeCode_; }

    // The pane for a K225 and the one for a K217 or K218.
    ChannelPane* FirstPane() const { return firstPane_; }
    ChannelPane* SecondPane() const { return secondPane_; }
    // Shows the pane of `family` and hides the other; Unknown changes nothing.
    void ShowPane(ModelFamily family);

    // The caption in the title strip.
    void SetChannelName(const QString& name);
    QString ChannelName() const { return channelName_; }

    void ShowChannel();
    void HideChannel();
    // True from ShowChannel() until HideChannel().
    bool Shown() const { return shown_; }

    // A title button by control number; null for the ones the window does
    // not create.
    SkinButton* TitleButton(int controlId) const;

protected:
    // `paneBottom` is the bottom edge (exclusive) of both panes.
    ChannelWindow(PanelContext& context, int channelIndex, int channelFlag, char themeCode, int firstPaneKind,
                  int paneBottom, QWidget* parent);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void childEvent(QChildEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    struct Skin {
        qreal ratio = 0.0;
        QImage edge;
        QPixmap pattern;
        QImage strip;
        QImage leftCap;
        QImage rightCap;
        QImage leftCorner;
        QImage rightCorner;
    };

    void CreateTitleButtons();
    void LayOutTitleButtons();
    void UpdateShape();
    void StyleChild(QObject* child) const;
    const Skin& SkinAt(qreal ratio);

    int channelIndex_;
    int channelFlag_;
    char themeCode_;
    // Selects the background pattern: image res::kWindowPattern + skinIndex.
    int skinIndex_ = 0;
    bool shown_ = false;
    QString channelName_;
    ChannelPane* firstPane_ = nullptr;
    ChannelPane* secondPane_ = nullptr;
    // Indexed by control number - kMinButton.
    std::array<SkinButton*, 8> buttons_{};
    Skin skin_;
};

}  // namespace brevant
