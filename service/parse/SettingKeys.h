// The keys by which the service's clients name a setting or meter of a
// device: "input/2/gain", "output/3/delay", "crosspoint/1/3/on",
// "device/filter", "input/2/level-meter". A key is the scope, the place and
// the row's own word (its `what`, lower-case, spaces as '-'; "on" for the
// crosspoint switch, which has none), so it is made from the table and stays
// the same when rows are added. Keys name what the read-back reads: the
// settings with a line in a preset and the meters.
//
// Thread-safety: pure functions over constant data; any thread may use them.
#pragma once

#include "core/Catalogue.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brevant::service {

// What is wrong with a key or a value a client sent; HttpStatusOf gives the
// status that answers it, the message says it to a person.
enum class SettingError {
    None,
    NoSuchSetting,  // no key like it: "no such setting: input/2/volume"
    NoSuchPlace,    // a channel outside 1..4: "output 5 does not exist"
    NotOnModel,     // the family lacks it: "a K225 has no Input 2 AEC"
    ReadOnly,       // a meter: "Input 2 level meter can only be read"
    TooLarge,       // a body over kMaxValueBody bytes
    Malformed,      // not JSON, or JSON of another shape
    NotWhole,       // a number with a fraction, a string, true, ...
    OutOfRange,     // "value 99 is outside -10..47"
};

// The longest key looked up; a longer one is no key.
inline constexpr std::size_t kMaxKeyLength = 64;

// A setting or meter and its key.
struct KeyedSetting {
    std::string key;
    SettingRef ref;
};

// Every setting and meter a device of `family` has: inputs 1..4, outputs
// 1..4, crosspoints (by input, then output), then the device-wide ones; the
// rows in the table's order within each. Device-wide ones are addressed {5},
// as the read-back addresses them. An Unknown family has what every model has.
std::vector<KeyedSetting> KeysOf(ModelFamily family);

// The key of `ref`; empty when its row has no key (actions, blocks, the
// sound-test values and the switch form of the noise reduction).
std::string KeyOf(const SettingRef& ref);

// The keys of a row as a pattern: "input/{channel}/gain",
// "crosspoint/{input}/{output}/on", "device/filter"; empty for a row
// without keys.
std::string KeyPattern(Op op);

struct KeyLookup {
    std::optional<SettingRef> ref;
    SettingError error = SettingError::None;
    std::string message;  // why there is no ref; UTF-8, the key only when printable ASCII
};

// The setting `key` names on a device of `family`. Only the exact form
// KeyOf writes is a key ("Input/2/gain" and "input/02/gain" are none).
KeyLookup FindSetting(std::string_view key, ModelFamily family);

// Whether a client may set it: settings may, meters may not.
bool IsSettable(const SettingRef& ref);

// How a family is called to people: "K225", "K217/K218", "unknown".
std::string_view FamilyName(ModelFamily family);

}  // namespace brevant::service
