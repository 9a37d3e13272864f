// Feeds bytes to the .reg file reader and to `zavtool reg import`. The first byte picks which
// change of the store fails during the import (0: none); the rest is the file.
//
// The reader: every refusal names its problem, and whatever it reads comes back unchanged
// when written as a .reg file and read again.
// The import is all or nothing: after a success our key holds its old values with the file's
// changes applied in order; after a failure, wherever it happened, the key holds exactly what it
// held before. No other key is touched.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz/flaky_registry.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_inputs.h"
#include "keysound/config_store.h"
#include "platform/testing/memory_file_system.h"
#include "tools/zavtool/command.h"
#include "tools/zavtool/reg_file.h"

namespace {

using zav::fuzz::Require;
using zav::platform::Access;
using zav::platform::FoldKeyPath;
using zav::platform::FoldName;
using zav::platform::Hive;
using zav::platform::NamedValue;
using zav::platform::RegistryKey;
using zav::platform::RegResult;
using zav::platform::ValueType;

constexpr std::string_view kOtherKey = "Software\\Other";
constexpr std::string_view kImportPath = "C:\\import\\in.reg";

std::span<const std::uint8_t> BytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

void CheckRoundTrip(const zavtool::RegFileSection& section) {
    std::vector<NamedValue> values;
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
    Require(again && again->sections.size() == 1, "a written file reads back as one section");
    const auto& entries = again->sections[0].entries;
    Require(entries.size() == values.size(), "a written file reads back every value");
    for (std::size_t i = 0; i < entries.size(); ++i) {
        Require(!entries[i].remove && entries[i].name == values[i].name &&
                    entries[i].value == values[i].value,
                "a written value reads back unchanged");
    }
}

void CheckParse(std::span<const std::uint8_t> bytes) {
    std::string error;
    const std::optional<zavtool::RegFile> file = zavtool::ParseRegFile(bytes, error);
    if (!file) {
        Require(!error.empty(), "every refusal names its problem");
        return;
    }
    for (const zavtool::RegFileSection& section : file->sections)
        CheckRoundTrip(section);
}

// A key's values by folded name: names compare without regard to case, and a value put back
// after a failure may be listed in another place.
using ValueSet = std::map<std::string, NamedValue>;

ValueSet ValuesOf(zav::platform::RegistryStore& store, std::string_view path) {
    ValueSet set;
    RegistryKey key;
    std::vector<NamedValue> values;
    if (store.OpenKey(Hive::LocalMachine, path, Access::Read, key) != RegResult::Success ||
        key.List(values) != RegResult::Success) {
        return set;
    }
    for (NamedValue& named : values)
        set.emplace(FoldName(named.name), std::move(named));
    return set;
}

bool Same(const ValueSet& a, const ValueSet& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.first == y.first && x.second.name == y.second.name &&
               x.second.value == y.second.value;
    });
}

// What an installation leaves in our key, and a key beside it that no import may touch.
void Populate(zav::platform::RegistryStore& store) {
    RegistryKey key;
    store.CreateKey(Hive::LocalMachine, keyvoice::kZavKeyPath, Access::All, key);
    key.SetString(keyvoice::kDataPathValue, "D:\\SOUND\\");
    key.SetString(keyvoice::kZavSysPathValue, "C:\\APPS\\SYS");
    key.SetString(keyvoice::KeyInfoValueName(0), "7,1,C:\\APPS\\SYS\\cfff6.wax");
    key.Set("MicMap", ValueType::Binary, std::vector<std::uint8_t>(64, 0x11));
    key.SetDword("Counter", 3);
    store.CreateKey(Hive::LocalMachine, kOtherKey, Access::All, key);
    key.SetString("Keep", "me");
}

bool IsOurKey(std::string_view key) {
    const std::size_t separator = key.find('\\');
    if (separator == std::string_view::npos)
        return false;
    return FoldName(key.substr(0, separator)) == "hkey_local_machine" &&
           FoldKeyPath(key.substr(separator + 1)) == FoldKeyPath(keyvoice::kZavKeyPath);
}

// The file's changes to our key, applied in order. Replacing a value keeps its spelling.
ValueSet Applied(ValueSet values, const zavtool::RegFile& file) {
    for (const zavtool::RegFileSection& section : file.sections) {
        if (!IsOurKey(section.key))
            continue;
        for (const zavtool::RegFileEntry& entry : section.entries) {
            const std::string folded = FoldName(entry.name);
            if (entry.remove) {
                values.erase(folded);
            } else if (auto found = values.find(folded); found != values.end()) {
                found->second.value = entry.value;
            } else {
                values.emplace(folded, NamedValue{entry.name, entry.value});
            }
        }
    }
    return values;
}

void CheckImport(const zav::fuzz::RegImportInput& input) {
    zav::fuzz::FlakyRegistry store;
    Populate(store);
    const ValueSet before = ValuesOf(store, keyvoice::kZavKeyPath);
    const ValueSet otherBefore = ValuesOf(store, kOtherKey);
    zav::platform::sim::MemoryFileSystem files;
    files.Put(kImportPath, std::vector<std::uint8_t>(input.file.begin(), input.file.end()));

    store.FailChange(input.failingWrite);
    const std::vector<std::string> args = {"import", std::string(kImportPath)};
    std::ostringstream out;
    std::ostringstream err;
    zavtool::CommandContext context{args, out, err, store, files};
    const zavtool::ExitStatus status = zavtool::RunReg(context);
    store.FailChange(0);

    const ValueSet after = ValuesOf(store, keyvoice::kZavKeyPath);
    if (status == zavtool::ExitStatus::Success) {
        std::string error;
        const std::optional<zavtool::RegFile> file = zavtool::ParseRegFile(input.file, error);
        Require(file && err.str().empty(), "a successful import comes from a valid file");
        Require(Same(after, Applied(before, *file)),
                "a successful import applies the file's changes in order");
    } else {
        Require(!err.str().empty(), "a failed import names its problem");
        Require(Same(after, before), "a failed import leaves the key as it was");
    }
    Require(Same(ValuesOf(store, kOtherKey), otherBefore), "an import touches only our key");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto input = zav::fuzz::DecodeRegImportInput({data, size});
    if (!input)
        return 0;
    CheckParse(input->file);
    CheckImport(*input);
    return 0;
}
