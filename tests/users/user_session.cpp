#include "tests/users/user_session.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <sstream>
#include <thread>

namespace random_user {

namespace {

template <typename T>
bool ParseNumber(const char* text, T& value) {
    if (text == nullptr || *text == '\0')
        return false;
    const std::string_view digits(text);
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return error == std::errc{} && end == digits.data() + digits.size();
}

}  // namespace

std::uint32_t SeedFromEnvironment() {
    std::uint32_t seed = 0;
    if (ParseNumber(std::getenv("ZAV_RANDOM_SEED"), seed))
        return seed;
    return std::random_device{}();
}

std::uint64_t ActionsFromEnvironment(std::uint64_t fallback) {
    std::uint64_t actions = 0;
    if (ParseNumber(std::getenv("ZAV_RANDOM_ACTIONS"), actions) && actions > 0)
        return actions;
    return fallback;
}

bool Dice::Chance(double probability) {
    return std::bernoulli_distribution(probability)(engine_);
}

int Dice::Between(int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(engine_);
}

std::size_t Dice::Weighted(std::span<const double> weights) {
    return std::discrete_distribution<std::size_t>(weights.begin(), weights.end())(engine_);
}

void Dice::PauseBeforeAction() {
    // A quarter of the actions wait up to 0.3 ms: long enough for a short sound to end or a
    // buffer to come back in between, short enough to keep the run quick.
    if (Chance(0.25))
        std::this_thread::sleep_for(std::chrono::microseconds(Between(0, 300)));
}

zav::platform::sim::MicSignal RandomVoice(Dice& dice) {
    const double peak = dice.Between(0, 30000);
    const double hertz = dice.Between(100, 2000);
    const double swellsPerSecond = dice.Between(1, 12);
    return [=](std::uint64_t frame, std::uint32_t, std::uint32_t sampleRate) {
        const double seconds = static_cast<double>(frame) / sampleRate;
        const double loudness =
            0.5 + 0.5 * std::sin(2 * std::numbers::pi * swellsPerSecond * seconds);
        return static_cast<std::int16_t>(
            std::lround(peak * loudness * std::sin(2 * std::numbers::pi * hertz * seconds)));
    };
}

Tally::Tally(std::span<const std::string_view> kindNames)
    : names_(kindNames.begin(), kindNames.end()),
      accepted_(kindNames.size()),
      refused_(kindNames.size()) {}

void Tally::Count(std::size_t kind, bool accepted, std::string detail) {
    ++actions_;
    ++(accepted ? accepted_ : refused_)[kind];
    std::ostringstream line;
    line << "#" << actions_ << " " << names_[kind];
    if (!detail.empty())
        line << " " << detail;
    if (!accepted)
        line << " (refused)";
    Note(line.str());
}

void Tally::Note(std::string text) {
    trail_[trailNext_ % kTrailLength] = std::move(text);
    ++trailNext_;
}

std::string Tally::Trail() const {
    std::string lines;
    const std::size_t first = trailNext_ > kTrailLength ? trailNext_ - kTrailLength : 0;
    for (std::size_t i = first; i < trailNext_; ++i)
        lines += "  " + trail_[i % kTrailLength] + "\n";
    return lines;
}

std::string Tally::Report(std::string_view program, std::chrono::duration<double> elapsed) const {
    std::ostringstream report;
    const double seconds = std::max(elapsed.count(), 1e-9);
    report << program << ": " << actions_ << " actions in " << seconds << " s ("
           << static_cast<std::uint64_t>(static_cast<double>(actions_) / seconds) << " a second), "
           << dialogs_ << " dialogs\n";
    for (std::size_t kind = 0; kind < names_.size(); ++kind) {
        report << "  " << names_[kind] << ": " << accepted_[kind];
        if (refused_[kind] > 0)
            report << " (+" << refused_[kind] << " refused)";
        report << "\n";
    }
    return report.str();
}

}  // namespace random_user
