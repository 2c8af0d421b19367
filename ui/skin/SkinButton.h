// A small push button of a window's title strip that draws itself: a frame
// and a glyph named by its skin name ("exit", "max", "maxed", "min", "top",
// "toped", "tray", "color", "plus", "menu", each also with "_mini" for the
// small 9 x 9 variant), in colours taken from a set of twelve, and a caption
// if it has one.
//
// The set is used as follows (the remaining entries are kept but not drawn):
//   0 frame and 1 glyph when normal,
//   4 face, 5 frame and 2 glyph when the pointer is over the button,
//   4 face, 5 frame and 6 glyph while it is held down there,
//   3 frame and 7 glyph when the button is disabled.
// A normal button has no face of its own: the title strip shows through.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QString>

#include <array>

class QEnterEvent;
class QEvent;
class QPaintEvent;
class QPainter;

namespace brevant {

class SkinButton : public QAbstractButton {
    Q_OBJECT

public:
    enum class DrawState { Gray, Normal, Over, Down };

    explicit SkinButton(QWidget* parent = nullptr);
    ~SkinButton() override;

    SkinButton(const SkinButton&) = delete;
    SkinButton& operator=(const SkinButton&) = delete;

    void SetSkinName(const QString& name);
    QString SkinName() const { return skinName_; }

    void SetColours(const std::array<QColor, 12>& colours);
    const std::array<QColor, 12>& Colours() const { return colours_; }

    // Whether the pointer is over the button.
    bool Hovered() const { return hover_; }
    // Gray when disabled, Down while hovered and pressed, Over while hovered,
    // Normal otherwise.
    DrawState State() const;

    // 9 x 9 for a "_mini" skin, 14 x 14 otherwise.
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void DrawGlyph(QPainter& painter, const QColor& colour, QPoint offset) const;

    QString skinName_;
    std::array<QColor, 12> colours_{};
    bool hover_ = false;
};

}  // namespace brevant
