// The pictures brevant-gallery takes: every drawn control in the states worth
// looking at, each set on the panel artwork it will sit on in the program.
#pragma once

#include <QPalette>
#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

namespace brevant::gallery {

// What a scene puts on screen: the widget that is photographed (the control on
// its backdrop) and, when the picture shows a focused control, the widget that
// must hold the keyboard focus.
struct Stage {
    QWidget* shown = nullptr;
    QWidget* focus = nullptr;
};

struct Scene {
    // The file name without "@<n>x.png", e.g. "fader-vertical-min".
    QString name;
    // The heading the contact sheet files the picture under, e.g. "Faders".
    QString group;
    // What the contact sheet writes under the picture.
    QString caption;
    // Builds the stage as a child of `parent`, which already sits on a screen
    // of the wanted pixel ratio, so controls load their images at that ratio.
    std::function<Stage(QWidget* parent)> build;
    // The language the scene is built and photographed in ("zh_CN"); empty
    // for English.
    QString language = {};
};

// Every scene, in the order the contact sheet shows them.
std::vector<Scene> Scenes();
// The panels, panes, popup strip, matrix and channel windows.
void AddPanelScenes(std::vector<Scene>& scenes);
// The whole form: not connected, after a lost link, and zoomed.
void AddFormScenes(std::vector<Scene>& scenes);
// The protocol trace dock.
void AddTraceScenes(std::vector<Scene>& scenes);
// The Connect To dialog.
void AddConnectScenes(std::vector<Scene>& scenes);
// The main window in Simplified Chinese.
void AddLanguageScenes(std::vector<Scene>& scenes);

// The dark console colours the gallery shows the controls in: the panels'
// strip colour for windows, light text, the faders' blue as the highlight.
QPalette ConsolePalette();

}  // namespace brevant::gallery
