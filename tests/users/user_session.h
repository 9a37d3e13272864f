#pragma once
// What a random user's session needs whatever program it plays with: the seed and the number of
// actions (from the environment), the dice, the rule violations that the simulated parts report
// from their own threads, and the tally of what the user did with a trail of the last actions
// for a failure's message.

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/mic_signal.h"
#include "platform/sim/rule_violation.h"
#include "tests/support/violation_log.h"

namespace random_user {

// ZAV_RANDOM_SEED when it holds a number, else a fresh seed from std::random_device.
std::uint32_t SeedFromEnvironment();
// ZAV_RANDOM_ACTIONS when it holds a number above 0, else fallback.
std::uint64_t ActionsFromEnvironment(std::uint64_t fallback);

// The user's random choices. Thread: one at a time (the test thread, or the dialog thread while
// the test thread waits for it).
class Dice {
  public:
    explicit Dice(std::uint32_t seed) : engine_(seed) {}

    bool Chance(double probability);
    // A number from low to high, both included.
    int Between(int low, int high);
    // An index into weights, chosen in proportion to them; at least one must be above 0.
    std::size_t Weighted(std::span<const double> weights);
    template <typename T>
    const T& PickFrom(std::span<const T> items) {
        return items[static_cast<std::size_t>(Between(0, static_cast<int>(items.size()) - 1))];
    }
    // The moment of the next action: mostly at once, sometimes after a pause of a fraction of a
    // millisecond, so that the devices' and timer's threads move in between.
    void PauseBeforeAction();
    std::uint32_t NextSeed() { return static_cast<std::uint32_t>(engine_()); }

  private:
    std::mt19937 engine_;
};

// The voice a random user speaks into the simulated microphone: a tone whose loudness swells and
// fades, with its pitch, loudness and pace drawn from the dice, so that takes differ and the
// level moves over the whole gauge.
zav::platform::sim::MicSignal RandomVoice(Dice& dice);

// Collects what the simulated card, mixer and dispatcher report as broken rules.
using zav::test::ViolationLog;

// How often the user did each kind of action (accepted by the dialog or refused, as a click on
// a button that turned disabled in between is), the dialogs run, and the last actions.
// Thread: one at a time, as Dice.
class Tally {
  public:
    static constexpr std::size_t kTrailLength = 24;

    explicit Tally(std::span<const std::string_view> kindNames);

    void Count(std::size_t kind, bool accepted, std::string detail);
    void DialogStarted() { ++dialogs_; }
    // Adds a line to the trail that is not an action (a dialog's start or end).
    void Note(std::string text);

    std::uint64_t Actions() const { return actions_; }
    std::uint64_t Dialogs() const { return dialogs_; }
    std::uint64_t Accepted(std::size_t kind) const { return accepted_[kind]; }
    // The last actions, oldest first, one a line.
    std::string Trail() const;
    // Actions per second, the counts of each kind and the dialogs, for the log.
    std::string Report(std::string_view program, std::chrono::duration<double> elapsed) const;

  private:
    std::vector<std::string_view> names_;
    std::vector<std::uint64_t> accepted_;
    std::vector<std::uint64_t> refused_;
    std::uint64_t actions_ = 0;
    std::uint64_t dialogs_ = 0;
    std::array<std::string, kTrailLength> trail_;
    std::size_t trailNext_ = 0;
};

// Plays dialogs one after another until the tally holds target actions. Before each action the
// user checks the rules, then acts, both on the dialog's thread (rig.On); an action that ends
// the dialog is followed by endDialog, which checks what the dialog left, and startDialog, which
// starts the next one. A last rule check and endDialog close the session. Returns "" or what
// broke, where, and the trail of the last actions.
template <typename Rig, typename User>
std::string PlaySession(Rig& rig, User& user, Dice& dice, Tally& tally, std::uint64_t target,
                        const std::function<std::string()>& startDialog,
                        const std::function<std::string()>& endDialog) {
    const auto broken = [&](const std::string& fault, const std::string& where) {
        return fault + " (" + where + "):\n" + tally.Trail();
    };
    if (std::string fault = startDialog(); !fault.empty())
        return broken(fault, "at the start of the first dialog");
    while (tally.Actions() < target) {
        dice.PauseBeforeAction();
        std::string fault;
        bool ended = false;
        rig.On([&] {
            fault = user.CheckRules();
            if (!fault.empty())
                return;
            user.Act();
            ended = rig.Window().Ended();
        });
        if (!fault.empty())
            return broken(fault, "after action " + std::to_string(tally.Actions()));
        if (!ended)
            continue;
        if (fault = endDialog(); !fault.empty())
            return broken(fault, "after dialog " + std::to_string(tally.Dialogs()));
        if (fault = startDialog(); !fault.empty())
            return broken(fault, "at the start of dialog " + std::to_string(tally.Dialogs() + 1));
    }
    std::string fault;
    rig.On([&] { fault = user.CheckRules(); });
    if (!fault.empty())
        return broken(fault, "at the end");
    if (fault = endDialog(); !fault.empty())
        return broken(fault, "when the last dialog ended");
    return {};
}

}  // namespace random_user
