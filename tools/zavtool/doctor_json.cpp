// The doctor's report as JSON: a small writer of our own, as the document is flat and only
// strings need escaping.

#include <cmath>
#include <cstdio>

#include "tools/zavtool/doctor_findings.h"

namespace zavtool {

namespace {

// A JSON string: quotes, backslashes and control characters escaped; other bytes (UTF-8
// included) pass as they are.
void WriteString(std::ostream& out, std::string_view text) {
    out << '"';
    for (char c : text) {
        switch (c) {
            case '"':
                out << "\\\"";
                break;
            case '\\':
                out << "\\\\";
                break;
            case '\n':
                out << "\\n";
                break;
            case '\r':
                out << "\\r";
                break;
            case '\t':
                out << "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x",
                                  static_cast<unsigned>(static_cast<unsigned char>(c)));
                    out << escaped;
                } else {
                    out << c;
                }
        }
    }
    out << '"';
}

// Numbers with two decimals; JSON has no infinity, so a level of silence is null.
void WriteNumber(std::ostream& out, double number) {
    if (!std::isfinite(number)) {
        out << "null";
        return;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", number);
    out << text;
}

void WriteValue(std::ostream& out, const Fact& fact) {
    if (const auto* text = std::get_if<std::string>(&fact.value))
        WriteString(out, *text);
    else if (const auto* integer = std::get_if<std::int64_t>(&fact.value))
        out << *integer;
    else if (const auto* number = std::get_if<double>(&fact.value))
        WriteNumber(out, *number);
    else
        out << (std::get<bool>(fact.value) ? "true" : "false");
}

}  // namespace

void PrintReportJson(const DoctorReport& report, std::ostream& out) {
    out << "{\n  \"status\": ";
    WriteString(out, SeverityName(report.Worst()));
    out << ",\n  \"findings\": [";
    const char* separator = "\n";
    for (const Finding& finding : report.Findings()) {
        out << separator << "    {\"section\": ";
        WriteString(out, finding.section);
        out << ", \"check\": ";
        WriteString(out, finding.check);
        out << ", \"severity\": ";
        WriteString(out, SeverityName(finding.severity));
        out << ",\n     \"detail\": ";
        WriteString(out, finding.detail);
        out << ",\n     \"advice\": ";
        if (finding.advice.empty() || finding.severity == Severity::Ok)
            out << "null";
        else
            WriteString(out, finding.advice);
        out << ",\n     \"facts\": {";
        const char* factSeparator = "";
        for (const Fact& fact : finding.facts) {
            out << factSeparator;
            WriteString(out, fact.name);
            out << ": ";
            WriteValue(out, fact);
            factSeparator = ", ";
        }
        out << "}}";
        separator = ",\n";
    }
    out << "\n  ]\n}\n";
}

}  // namespace zavtool
