// What the drawn controls tell assistive technology. Qt's own widgets describe
// themselves; these controls are painted, so each kind gets an interface of
// its own, made by a factory that the controls install when the first of them
// is built:
//
//   BitmapFader, SkinnedTrackbar   a slider
//   RoundKnob                      a dial
//   LevelMeter                     a read-only progress bar
//   ImageCheckButton               a check box
//
// The name is the widget's accessible name (the panels give "Input 1 gain"),
// or a check button's caption without its underline marker. The sliders, the
// knob and the meter also carry a value interface: their value, limits and
// step as the number they stand for (a fader's gain, not its position), and
// their value text with its unit ("12 dB"). Setting a slider's value through
// the interface moves it as the user would, so the change is finished and
// sent like a key step; a meter's value cannot be set.
//
// UI thread only.
#pragma once

namespace brevant {

// Registers the factory with Qt once; later calls do nothing.
void InstallControlAccessibility();

}  // namespace brevant
