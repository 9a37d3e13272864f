// Feeds bytes to the .reg file reader. Besides not crashing, whatever it reads must come back
// unchanged when written as a .reg file and read again.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tools/zavtool/reg_file.h"

namespace {

std::span<const std::uint8_t> BytesOf(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

void CheckRoundTrip(const zavtool::RegFileSection& section) {
    std::vector<zav::platform::NamedValue> values;
    for (const zavtool::RegFileEntry& entry : section.entries) {
        if (!entry.remove)
            values.push_back({entry.name, entry.value});
    }
    std::string error;
    const std::optional<std::string> text =
        zavtool::FormatRegFile("HKEY_LOCAL_MACHINE\\K", values, error);
    if (!text)
        return;  // a name no .reg line can hold
    const std::optional<zavtool::RegFile> again = zavtool::ParseRegFile(BytesOf(*text), error);
    if (!again || again->sections.size() != 1)
        __builtin_trap();
    const auto& entries = again->sections[0].entries;
    if (entries.size() != values.size())
        __builtin_trap();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].remove || entries[i].name != values[i].name ||
            entries[i].value != values[i].value) {
            __builtin_trap();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string error;
    const std::optional<zavtool::RegFile> file = zavtool::ParseRegFile({data, size}, error);
    if (!file) {
        if (error.empty())
            __builtin_trap();  // every refusal names its problem
        return 0;
    }
    for (const zavtool::RegFileSection& section : file->sections)
        CheckRoundTrip(section);
    return 0;
}
