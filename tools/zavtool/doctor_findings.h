#pragma once
// What zavtool doctor found: one finding per check, each ok, a warning or a problem, with
// what was seen and, for a warning or a problem, one sentence on what to do. The report is
// printed as text lines or as one JSON document; the exit status follows the worst finding.
//
// Thread: the caller's; a report is a plain record.

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace zavtool {

enum class Severity { Ok, Warning, Problem };

std::string_view SeverityName(Severity severity);  // "ok", "warning", "problem"

// A measured or named value that goes with a finding, for the JSON document.
struct Fact {
    std::string name;
    std::variant<std::string, std::int64_t, double, bool> value;
};

struct Finding {
    std::string section;  // "installation" or "sound"
    std::string check;    // the check's name, e.g. "builtin-sounds"
    Severity severity = Severity::Ok;
    std::string detail;  // what was found
    std::string advice;  // what to do; empty for ok
    std::vector<Fact> facts;
};

class DoctorReport {
  public:
    void Add(Finding finding) { findings_.push_back(std::move(finding)); }

    const std::vector<Finding>& Findings() const { return findings_; }
    Severity Worst() const;
    // The finding of that check, or null.
    const Finding* Find(std::string_view check) const;

  private:
    std::vector<Finding> findings_;
};

// A line per finding: its severity, check and detail, then its advice on a line of its own,
// and a closing summary.
void PrintReport(const DoctorReport& report, std::ostream& out);

// The same findings as one JSON document (see zavtool(1)).
void PrintReportJson(const DoctorReport& report, std::ostream& out);

}  // namespace zavtool
