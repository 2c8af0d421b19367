// The command buttons of the sound test and the four sets of them the
// measurement allows: no test mode, test mode with the settings still to be
// confirmed, ready to measure, and measured. A button is enabled when the
// last set (or a later single change) allows it and the dialog is not
// waiting for the device.
//
// Thread-safety: UI thread only.
#pragma once

#include <array>
#include <cstddef>

class QPushButton;

namespace brevant {

class SoundTestButtons {
public:
    enum Role { Calibrated, TestOn, TestOff, Start, Continue, Save, Quit, Result, kRoleCount };
    enum class Set { Idle, InTestMode, Ready, Measured };

    void Add(Role role, QPushButton* button);
    QPushButton& Button(Role role) const { return *buttons_[Index(role)]; }

    // The buttons a set names take its state; the others keep theirs.
    void Apply(Set set);
    void Allow(Role role, bool allowed) { allowed_[Index(role)] = allowed; }
    bool Allowed(Role role) const { return allowed_[Index(role)]; }
    // Enables what is allowed; nothing while `busy`.
    void Update(bool busy);

private:
    static std::size_t Index(Role role) { return static_cast<std::size_t>(role); }

    std::array<QPushButton*, kRoleCount> buttons_{};
    std::array<bool, kRoleCount> allowed_{};
};

}  // namespace brevant
