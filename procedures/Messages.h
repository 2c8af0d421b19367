// The texts the procedures show the user, and the way they show them: the
// caller supplies a Report (the program shows a message box, the command-line
// tool prints a line).
#pragma once

#include <functional>
#include <string_view>

namespace brevant {

// `text` is one of the texts below; `detail` (often empty) says more, for
// example which file could not be read and why.
using Report = std::function<void(std::string_view text, std::string_view detail)>;

// How far a long procedure has come, 0..100; called on the procedure's thread.
using ProgressFn = std::function<void(int percent)>;

namespace msg {
inline constexpr std::string_view kUpdating = "Updating";
inline constexpr std::string_view kAlreadyConnect = "Already connect";
inline constexpr std::string_view kCannotFindDevice = "Cannot find device";
inline constexpr std::string_view kConnectFail = "Connect fail!";
inline constexpr std::string_view kSaveSuccessfully = "Save successfully";
inline constexpr std::string_view kOpenSuccessfully = "Open successfully";
inline constexpr std::string_view kSaveDeviceSuccessfully = "Save device successfully";
inline constexpr std::string_view kSaveDeviceFail = "Save device fail";
inline constexpr std::string_view kAlreadyConnectPleaseDisconnect = "Already connect,please disconnect";
inline constexpr std::string_view kUpdateSuccessfully = "update successfully";
inline constexpr std::string_view kUpdateFail = "update fail";
inline constexpr std::string_view kCannotConnect = "Cannot connect";
inline constexpr std::string_view kSetMatrixError = "Set matrix error";
inline constexpr std::string_view kPleaseSetPointAndTime = "Please set point and time";
inline constexpr std::string_view kGetDsrError = "Get dsr error";
inline constexpr std::string_view kGetEsrError = "Get esr error";
inline constexpr std::string_view kTestStored = "The device has stored the sound test settings.";
inline constexpr std::string_view kTestNotStored =
    "Save Error: the device did not store the sound test settings.";
inline constexpr std::string_view kSetGainError = "Set gain error";
inline constexpr std::string_view kSetPhantomError = "Set phantom power error";
}  // namespace msg

}  // namespace brevant
