#include "tools/zavtool/doctor_findings.h"

#include <algorithm>

namespace zavtool {

std::string_view SeverityName(Severity severity) {
    switch (severity) {
        case Severity::Ok:
            return "ok";
        case Severity::Warning:
            return "warning";
        case Severity::Problem:
            return "problem";
    }
    return "problem";
}

Severity DoctorReport::Worst() const {
    Severity worst = Severity::Ok;
    for (const Finding& finding : findings_)
        worst = std::max(worst, finding.severity);
    return worst;
}

const Finding* DoctorReport::Find(std::string_view check) const {
    const auto found = std::ranges::find(findings_, check, &Finding::check);
    return found == findings_.end() ? nullptr : &*found;
}

void PrintReport(const DoctorReport& report, std::ostream& out) {
    std::string_view section;
    int warnings = 0;
    int problems = 0;
    for (const Finding& finding : report.Findings()) {
        if (finding.section != section) {
            section = finding.section;
            out << (section == "installation" ? "Installation:\n" : "Sound:\n");
        }
        std::string label(SeverityName(finding.severity));
        label.resize(9, ' ');
        out << "  " << label << finding.check << ": " << finding.detail << '\n';
        if (finding.severity != Severity::Ok && !finding.advice.empty())
            out << "           what to do: " << finding.advice << '\n';
        warnings += finding.severity == Severity::Warning ? 1 : 0;
        problems += finding.severity == Severity::Problem ? 1 : 0;
    }
    if (warnings == 0 && problems == 0) {
        out << "All is well.\n";
        return;
    }
    out << problems << (problems == 1 ? " problem, " : " problems, ") << warnings
        << (warnings == 1 ? " warning.\n" : " warnings.\n");
}

}  // namespace zavtool
