#include "ui/soundtest/SoundTestButtons.h"

#include <QPushButton>

namespace brevant {

namespace {

// One row per set, one letter per role in the order of Role:
// E enabled, d disabled, - left as it was.
//                                          Cal TOn TOff Start Cont Save Quit Result
// Quit is always there: it closes the dialog, leaving test mode first.
constexpr std::array<const char*, 4> kSets{"EdddddEd",   // Idle
                                           "dddddEEd",   // In test mode
                                           "dEEEdEE-",   // Ready
                                           "---Ed-EE"};  // Measured

}  // namespace

void SoundTestButtons::Add(Role role, QPushButton* button)
{
    buttons_[Index(role)] = button;
}

void SoundTestButtons::Apply(Set set)
{
    const char* row = kSets[static_cast<std::size_t>(set)];
    for (std::size_t k = 0; k < allowed_.size(); ++k) {
        if (row[k] != '-')
            allowed_[k] = row[k] == 'E';
    }
}

void SoundTestButtons::Update(bool busy)
{
    for (std::size_t k = 0; k < buttons_.size(); ++k) {
        // Quit stays available while a command runs: the dialog closes once it ends.
        if (buttons_[k])
            buttons_[k]->setEnabled(allowed_[k] && (!busy || k == Index(Quit)));
    }
}

}  // namespace brevant
