// A vertical stack of captioned, collapsible groups under an optional header
// line. Each group holds one window (a panel) at a fixed height and the full
// width of the pane; clicking a group's caption, or Space/Enter on it, folds
// the group away and the groups below move up. Groups are numbered 0, 1, 2...
// in the order they are added and stack top to bottom in that order.
//
// The header and the caption bars are drawn from the widget's palette, so
// they follow the look set through VisualManager. The pane owns its layout:
// classes derived from it add their panels through AddGroup()/AddWindow()
// rather than setting a layout of their own.
#pragma once

#include <QFont>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <vector>

class QVBoxLayout;

namespace brevant {

class TaskPane : public QWidget {
    Q_OBJECT

public:
    explicit TaskPane(QWidget* parent = nullptr);
    ~TaskPane() override;

    TaskPane(const TaskPane&) = delete;
    TaskPane& operator=(const TaskPane&) = delete;

    // The header line at the top of the pane; with no caption there is no
    // header and the first group starts at the top.
    void SetCaption(const QString& caption);
    QString Caption() const { return caption_; }

    // Icons for the group captions: image `bitmapId` (see res::Bitmap) cut
    // into pieces `imageWidth` pixels wide. Group n shows piece n, going
    // round again when there are more groups than pieces. An unknown image
    // or a width of 0 or less removes the icons.
    void SetIconList(int bitmapId, int imageWidth);

    // Adds a group at the bottom and returns its number.
    int AddGroup(const QString& caption, bool expanded = true);
    // Moves `child` into `group` at `height` pixels high and the full width,
    // and shows it with the group. A group normally holds one window; any
    // further ones stack below it. Unknown groups and null windows are ignored.
    void AddWindow(int group, QWidget* child, int height);

    void SetGroupExpanded(int group, bool expanded);
    // False for a group that does not exist.
    bool IsGroupExpanded(int group) const;

    int GroupCount() const { return static_cast<int>(groups_.size()); }
    // The first window added to `group`; null when there is none (yet).
    QWidget* GroupWindow(int group) const;
    // Where the caption bar of `group` is, in the pane's coordinates; empty
    // for a group that does not exist.
    QRect CaptionRect(int group) const;
    // Where in its bar the group's caption is written, and the font it is
    // written in (smaller than the pane's bold font where that would not fit).
    QRect CaptionTextRect(int group) const;
    QFont CaptionFont(int group) const;

signals:
    // A group was folded away or opened, by the user or by SetGroupExpanded().
    void groupExpandedChanged(int group, bool expanded);

private:
    struct Group {
        QWidget* caption = nullptr;
        QWidget* body = nullptr;
        QVBoxLayout* bodyLayout = nullptr;
        QPointer<QWidget> window;
        bool expanded = true;
    };

    bool Exists(int group) const { return group >= 0 && group < GroupCount(); }

    QVBoxLayout* layout_ = nullptr;
    QWidget* header_ = nullptr;
    QString caption_;
    int iconBitmapId_ = 0;
    int iconWidth_ = 0;
    std::vector<Group> groups_;
};

}  // namespace brevant
