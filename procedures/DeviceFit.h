// Whether what a job would write fits the device it is connected to. A model
// the program does not know is connected read-only: nothing is written to it
// unless the user forces it. A preset is for one family and is sent only to a
// device of that family; it never changes the family the program holds.
//
// Thread-safety: pure functions of the state they are given; the flags are atomics.
#pragma once

#include "core/DeviceState.h"
#include "procedures/Connection.h"
#include "procedures/Preset.h"

#include <string>
#include <string_view>

namespace brevant {

// "family 1 (K225)", "family 2 (K217, K218)", "family 9 (no model this program knows)".
std::string FamilyText(int family);

// The model as the device named it, without its "SA": "K225", "K999"; empty
// when it never answered.
std::string ModelText(const DeviceParams& params);

// How messages name the connected model: "K225", or "unknown model K999" for
// a model this program does not know.
std::string ModelName(const DeviceState& state);

// Why nothing may be written to the device: "unknown model K999: connected
// read-only, nothing was sent". Empty when writing is allowed (a known model,
// or WritesForced).
std::string WriteRefusal(const DeviceState& state);

// Why `preset` must not be sent to the device on `portLabel`: "the preset is
// for family 2 (K217, K218), the device on COM3 is a K225 (family 1)". Empty
// when the families agree.
std::string FamilyRefusal(const Preset& preset, const DeviceParams& params, std::string_view portLabel);

// Asks the model on the open port without connecting (Connected keeps its
// value): true when the device answered. A model the program does not know
// leaves UnknownModel raised, a known one sets DeviceFamily.
bool IdentifyModel(Connection& connection);

}  // namespace brevant
