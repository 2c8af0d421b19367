// A channel window: a borderless child of the main view, normally 120 x 500,
// that paints its own frame, title strip and background from the skin images
// recoloured to its theme, shows the channel name in the title strip, and
// holds the channel's two panes, of which one is shown. The title strip has
// no buttons, and clicks on it do nothing (the window cannot be dragged,
// closed or maximised: the form places it).
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

class QChildEvent;
class QMouseEvent;
class QPaintEvent;
class QResizeEvent;

namespace brevant {

class ChannelPane;
class PanelContext;

class ChannelWindow : public QWidget {
    Q_OBJECT

public:
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
    Skin skin_;
};

}  // namespace brevant
