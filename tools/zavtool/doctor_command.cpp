#include "tools/zavtool/doctor_command.h"

#include <charconv>
#include <optional>
#include <string>

#include "tools/zavtool/doctor_findings.h"
#include "tools/zavtool/doctor_installation.h"
#include "tools/zavtool/doctor_sound.h"

namespace zavtool {

namespace {

constexpr std::string_view kUsage = "usage: zavtool doctor [--seconds S] [--json]";
constexpr double kDefaultSeconds = 2.0;
constexpr double kMinSeconds = 0.25;

struct Options {
    double seconds = kDefaultSeconds;
    bool json = false;
};

std::optional<double> ParseSeconds(const std::string& text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end ||
        !(value >= kMinSeconds && value <= kMaxDoctorSeconds))
        return std::nullopt;
    return value;
}

std::optional<Options> ParseOptions(CommandContext& context) {
    Options options;
    for (std::size_t i = 0; i < context.args.size(); ++i) {
        const std::string& word = context.args[i];
        if (word == "--json") {
            options.json = true;
        } else if (word == "--seconds") {
            const std::optional<double> seconds =
                i + 1 < context.args.size() ? ParseSeconds(context.args[i + 1]) : std::nullopt;
            if (!seconds) {
                Fail(context, ExitStatus::Usage, "--seconds takes a number from 0.25 to 60");
                return std::nullopt;
            }
            options.seconds = *seconds;
            ++i;
        } else {
            Fail(context, ExitStatus::Usage, std::string(kUsage));
            return std::nullopt;
        }
    }
    return options;
}

}  // namespace

ExitStatus Doctor(CommandContext& context, const DoctorMachine& machine) {
    const std::optional<Options> options = ParseOptions(context);
    if (!options)
        return ExitStatus::Usage;
    DoctorReport report;
    CheckInstallation(context.registry, context.files, machine.folders, report);
    CheckSound(machine, context.registry, options->seconds, context.err, report);
    if (options->json)
        PrintReportJson(report, context.out);
    else
        PrintReport(report, context.out);
    switch (report.Worst()) {
        case Severity::Ok:
            return ExitStatus::Success;
        case Severity::Warning:
            return ExitStatus::Warnings;
        case Severity::Problem:
            return ExitStatus::Problem;
    }
    return ExitStatus::Problem;
}

ExitStatus RunDoctor(CommandContext& context) {
    if (context.machine == nullptr)
        return Fail(context, ExitStatus::Usage, "doctor cannot reach this machine's sound here");
    return Doctor(context, *context.machine);
}

}  // namespace zavtool
