// The texts the procedures show the user, and the way they show them: the
// caller supplies a Report (the program shows a message box, the command-line
// tool prints a line).
#pragma once

#include "core/Translate.h"

#include <functional>
#include <string_view>

namespace brevant {

// `text` is one of the texts below, or a text made by the procedure, in the
// user's language (msg::Text); `detail` (often empty) says more, for example
// which file could not be read and why.
using Report = std::function<void(std::string_view text, std::string_view detail)>;

// How far a long procedure has come, 0..100; called on the procedure's thread.
using ProgressFn = std::function<void(int percent)>;

namespace msg {
inline constexpr std::string_view kUpdating = BRV_TEXT("brevant::msg", "Updating");
inline constexpr std::string_view kAlreadyConnect = BRV_TEXT("brevant::msg", "Already connect");
inline constexpr std::string_view kCannotFindDevice = BRV_TEXT("brevant::msg", "Cannot find device");
inline constexpr std::string_view kConnectFail = BRV_TEXT("brevant::msg", "Connect fail!");
inline constexpr std::string_view kSaveSuccessfully = BRV_TEXT("brevant::msg", "Save successfully");
inline constexpr std::string_view kOpenSuccessfully = BRV_TEXT("brevant::msg", "Open successfully");
inline constexpr std::string_view kSaveDeviceSuccessfully =
    BRV_TEXT("brevant::msg", "Save device successfully");
inline constexpr std::string_view kSaveDeviceFail = BRV_TEXT("brevant::msg", "Save device fail");
inline constexpr std::string_view kAlreadyConnectPleaseDisconnect =
    BRV_TEXT("brevant::msg", "Already connect,please disconnect");
inline constexpr std::string_view kUpdateSuccessfully = BRV_TEXT("brevant::msg", "update successfully");
inline constexpr std::string_view kUpdateFail = BRV_TEXT("brevant::msg", "update fail");
inline constexpr std::string_view kCannotConnect = BRV_TEXT("brevant::msg", "Cannot connect");
inline constexpr std::string_view kSetMatrixError = BRV_TEXT("brevant::msg", "Set matrix error");
inline constexpr std::string_view kPleaseSetPointAndTime =
    BRV_TEXT("brevant::msg", "Please set point and time");
inline constexpr std::string_view kGetDsrError = BRV_TEXT("brevant::msg", "Get dsr error");
inline constexpr std::string_view kGetEsrError = BRV_TEXT("brevant::msg", "Get esr error");
inline constexpr std::string_view kTestStored =
    BRV_TEXT("brevant::msg", "The device has stored the sound test settings.");
inline constexpr std::string_view kTestNotStored =
    BRV_TEXT("brevant::msg", "Save Error: the device did not store the sound test settings.");
inline constexpr std::string_view kSetGainError = BRV_TEXT("brevant::msg", "Set gain error");
inline constexpr std::string_view kSetPhantomError = BRV_TEXT("brevant::msg", "Set phantom power error");

// One of the texts above in the user's language.
inline std::string Text(std::string_view text)
{
    return Tr("brevant::msg", text);
}
}  // namespace msg

}  // namespace brevant
