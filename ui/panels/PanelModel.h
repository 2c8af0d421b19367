// The copy of the device the panels show, kept on the UI thread: every
// setting and meter reading a panel displays, the state of the link, and for
// each setting whether the model holds a value the device gave.
//
// The refresher writes it from the device mirror when the connection reports
// something. A panel's own send writes the user's choice at once (the other
// channels of a group follow from the same signal); the newest choice of a
// setting stands over polling passes and over the answers to earlier steps
// until every send of that setting has been answered (the context says when,
// DropChoices), when the model takes what the mirror then holds. The model
// also holds the user's choices that reach no device: group mode and the EQ
// and FBK indicators. The panels read it and send through the context; they
// never touch each other. Every write marks what changed; the model tells the
// panels with one signal, `changed`, at most once every kMinIntervalMs,
// carrying everything that changed since the last time.
//
//   link Disconnected: before any connection nothing is held: the controls
//                      are empty and greyed; after a Disconnect the values
//                      last read stay, greyed;
//   link Connected:    from the start of the connection until its read-back
//                      has been taken nothing is held (empty, greyed, the
//                      meters empty); then the values came from the device
//                      and a control takes input (TakesInput); the meters
//                      show readings from the first polling pass on;
//   link Lost:         the values are kept but stale and greyed, the meters
//                      show nothing.
//
// Once the link is not Connected, read-back and polling results are refused,
// so nothing can refill the panels after a disconnect or a loss.
//
// Thread-safety: UI thread only.
#pragma once

#include "core/Catalogue.h"
#include "core/DeviceParams.h"
#include "core/SettingName.h"
#include "procedures/PanelSend.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <vector>

namespace brevant {

enum class LinkState { Disconnected, Connected, Lost };
enum class Direction { Input = 1, Output = 2 };
// The filter panels' indicators, which the device does not hold.
enum class Indicator { Eq, Fbk };

// Every setting and meter the table points into the mirror with, as the
// panels show it: At(Op::MG, 2) is input 2's gain, At(Op::XG, 1, 3) the gain
// of input 1 on output 3, At(Op::MB) a device-wide value. An address the row
// does not have reads 0.
class ShownValues {
public:
    int At(Op op, int a = 0, int b = 0) const;
    // False (and nothing written) for an address the row does not have.
    bool Set(Op op, Address at, int value);
    // Copies from `params` every setting (`meters` false) or every meter.
    void CopyFrom(const DeviceParams& params, bool meters);

private:
    using Grid = std::array<std::array<int, kChannels + 1>, kChannels + 1>;  // [a][b]
    std::array<Grid, kOpCount> grids_{};
};

// The bits of `PanelModel::changed`: what the panels have to look at again.
namespace model {
inline constexpr unsigned kPanes = 1u << 0;       // a connection chose the panes of Family()
inline constexpr unsigned kReadBack = 1u << 1;    // every setting, faders included
inline constexpr unsigned kPoll = 1u << 2;        // meters, gain labels, switches
inline constexpr unsigned kReset = 1u << 3;       // disconnected: the last values, greyed
inline constexpr unsigned kLink = 1u << 4;        // Link() or LinkPort() changed
inline constexpr unsigned kUnknown = 1u << 5;     // the set of unknown settings changed
inline constexpr unsigned kSettings = 1u << 6;    // settings re-read after a user change
inline constexpr unsigned kNotice = 1u << 7;      // Notice() has a new text
inline constexpr unsigned kIndicators = 1u << 8;  // an EQ or FBK indicator changed
}  // namespace model

class PanelModel : public QObject {
    Q_OBJECT
public:
    static constexpr int kMinIntervalMs = 50;

    explicit PanelModel(QObject* parent = nullptr);
    ~PanelModel() override;

    const ShownValues& Values() const { return values_; }
    LinkState Link() const { return link_; }
    bool Connected() const { return link_ == LinkState::Connected; }
    // The port the link was lost on, while Lost.
    int LostPort() const { return lostPort_; }
    // The model family of the current (or last) connection; Unknown before any.
    ModelFamily Family() const { return family_; }
    // The device's answer for `op` at `at` is missing (read-back or query failed).
    bool Unknown(Op op, Address at) const;
    // The model holds the device's value of `op` at `at`: the read-back of this
    // connection (or the last one) has been taken and did not miss it.
    bool Holds(Op op, Address at) const;
    // A control of `op` at `at` may send: connected, and the value is held.
    bool TakesInput(Op op, Address at) const;
    // A read-back has been taken (this connection's, or the last one's after a
    // Disconnect); before it every control shows no value.
    bool HasValues() const { return hasValues_; }
    // A polling pass of this connection has been taken: the meters mean something.
    bool MetersLive() const { return Connected() && polled_; }
    // The last thing the user should read about a change of theirs.
    const QString& Notice() const { return notice_; }
    // Group mode: a change on one channel reaches every channel.
    bool Group() const { return group_; }
    bool IndicatorOn(Direction direction, Indicator which, int channelIndex) const;

    // The writers.
    // A connection shows the panes of `family`: the link is up, nothing is
    // held until its read-back.
    void StartConnection(ModelFamily family);
    void MarkUnknown(const std::vector<SettingRef>& settings);
    void TakeReadBack(const DeviceParams& params, ModelFamily family);
    void TakePollPass(const DeviceParams& params);
    // After a user change: the settings as the mirror now holds them; those
    // in `confirmed` are known again, those in `unknown` are not.
    void TakeSettings(const DeviceParams& params, const std::vector<SettingRef>& confirmed,
                      const std::vector<SettingRef>& unknown);
    void LoseLink(int port);
    void RestoreLink(int port);
    // Disconnect: the values last read stay, the link is down.
    void Reset(ModelFamily family);
    void SetNotice(const QString& text);
    void SetGroup(bool on) { group_ = on; }
    // The user's changes on their way to the device: the newest of each
    // setting is shown at once, and over every pass and every answer, until
    // DropChoices for that setting.
    void TakeChoices(const std::vector<SettingChange>& changes);
    // Every send of `settled` has been answered: the mirror's values show again.
    void DropChoices(const std::vector<SettingRef>& settled);
    // In group mode every channel's indicator follows; otherwise `channelIndex`'s.
    void SetIndicator(Direction direction, Indicator which, int channelIndex, bool on);

    // Tells the panels what is pending now instead of at the next interval.
    void Flush();
    // How many times `changed` has been emitted.
    int Emitted() const { return emitted_; }

signals:
    void changed(unsigned what);

private:
    void Touch(unsigned what);
    void Emit();
    void CopySettings(const DeviceParams& params);
    void CopyMeters(const DeviceParams& params);
    void ShowChoices();

    ShownValues values_;
    ShownValues confirmed_;  // values_ without the user's choices
    bool hasValues_ = false;
    bool polled_ = false;
    LinkState link_ = LinkState::Disconnected;
    int lostPort_ = 0;
    ModelFamily family_ = ModelFamily::Unknown;  // as the connection reported it
    std::vector<SettingRef> unknown_;
    QString notice_;
    bool group_ = false;
    std::vector<SettingChange> choices_;
    // [direction][indicator][channel index]
    std::array<std::array<std::array<bool, kChannels>, 2>, 2> indicators_{};
    unsigned pending_ = 0;
    QTimer timer_;
    QElapsedTimer sinceEmit_;
    int emitted_ = 0;
};

}  // namespace brevant
