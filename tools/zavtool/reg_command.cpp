// zavtool reg: the values of the host product's key, listed, read, set, deleted, and carried
// to and from .reg files.
//
// Exit statuses: 0 on success; 2 for usage errors, unsupported or bad input, missing values
// and files that cannot be read or written; 1 when the store itself fails (damaged, access
// refused). An import checks the whole file before it writes anything, then makes all its
// changes as one transaction on the store: a failed or killed import leaves the key as it was.
// An export that reg import could not read back is refused.

#include <algorithm>
#include <string>
#include <vector>

#include "keysound/config_store.h"
#include "tools/zavtool/command.h"
#include "tools/zavtool/reg_file.h"
#include "tools/zavtool/reg_value_text.h"

namespace zavtool {

namespace {

using zav::platform::Access;
using zav::platform::Bytes;
using zav::platform::FoldKeyPath;
using zav::platform::FoldName;
using zav::platform::NamedValue;
using zav::platform::RegistryKey;
using zav::platform::RegistryValue;
using zav::platform::RegResult;
using zav::platform::RegResultText;
using zav::platform::ValueChange;
using zav::platform::ValueType;

constexpr std::string_view kHiveName = "HKEY_LOCAL_MACHINE";

std::string OurKeyName() {
    return std::string(kHiveName) + "\\" + std::string(keyvoice::kZavKeyPath);
}

bool IsOurKey(std::string_view key) {
    const std::size_t separator = key.find('\\');
    const std::string_view hive = key.substr(0, separator);
    const std::string_view path =
        separator == std::string_view::npos ? std::string_view() : key.substr(separator + 1);
    return FoldName(hive) == FoldName(kHiveName) &&
           FoldKeyPath(path) == FoldKeyPath(keyvoice::kZavKeyPath);
}

ExitStatus StoreFailure(CommandContext& context, std::string_view doing, RegResult result) {
    std::string problem = std::string(doing) + ": " + std::string(RegResultText(result));
    if (std::string detail = context.registry.LastError(); !detail.empty()) {
        problem += " (" + detail + ")";
    }
    return Fail(context, ExitStatus::LoadFailed, problem);
}

ExitStatus UsageOf(CommandContext& context, std::string_view synopsis) {
    return Fail(context, ExitStatus::Usage, "usage: zavtool reg " + std::string(synopsis));
}

std::span<const std::uint8_t> BytesOfText(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Opens our key; a missing key is reported as missing, everything else as a store failure.
bool OpenOurKey(CommandContext& context, Access access, RegistryKey& key,
                std::string_view missingProblem, ExitStatus& status) {
    const RegResult result = context.registry.OpenKey(zav::platform::Hive::LocalMachine,
                                                      keyvoice::kZavKeyPath, access, key);
    if (result == RegResult::Success)
        return true;
    status = result == RegResult::FileNotFound
                 ? Fail(context, ExitStatus::Usage, missingProblem)
                 : StoreFailure(context, "cannot open " + OurKeyName(), result);
    return false;
}

ExitStatus List(CommandContext& context) {
    if (context.args.size() != 1)
        return UsageOf(context, "list");
    RegistryKey key;
    ExitStatus status = ExitStatus::Success;
    if (!OpenOurKey(context, Access::Read, key, "no such key: " + OurKeyName(), status)) {
        return status;
    }
    std::vector<NamedValue> values;
    if (RegResult result = key.List(values); result != RegResult::Success) {
        return StoreFailure(context, "cannot list " + OurKeyName(), result);
    }
    for (const NamedValue& named : values) {
        context.out << EscapeControlBytes(named.name) << '\t' << ValueTypeName(named.value.type)
                    << '\t' << EscapeControlBytes(FormatValueText(named.value)) << '\n';
    }
    return ExitStatus::Success;
}

ExitStatus Get(CommandContext& context) {
    if (context.args.size() != 2)
        return UsageOf(context, "get NAME");
    const std::string& name = context.args[1];
    RegistryKey key;
    ExitStatus status = ExitStatus::Success;
    if (!OpenOurKey(context, Access::Read, key, "no such value: " + name, status))
        return status;
    RegistryValue value;
    const RegResult result = key.Query(name, value);
    if (result == RegResult::FileNotFound) {
        return Fail(context, ExitStatus::Usage, "no such value: " + name);
    }
    if (result != RegResult::Success)
        return StoreFailure(context, "cannot read " + name, result);
    context.out << FormatValueText(value) << '\n';
    return ExitStatus::Success;
}

ExitStatus Set(CommandContext& context) {
    constexpr std::string_view kSynopsis = "set NAME sz|binary|dword VALUE";
    if (context.args.size() < 4)
        return UsageOf(context, kSynopsis);
    const std::string& name = context.args[1];
    const std::string& typeName = context.args[2];
    RegistryValue value;
    if (typeName == "binary") {
        // The shell may split "0a 1b" into words; they all belong to the value.
        std::string text;
        for (std::size_t i = 3; i < context.args.size(); ++i)
            text += context.args[i] + " ";
        std::string bad;
        std::optional<Bytes> bytes = ParseHexArgument(text, bad);
        if (!bytes)
            return Fail(context, ExitStatus::Usage, "not a hex byte: " + bad);
        value = RegistryValue{ValueType::Binary, std::move(*bytes)};
    } else if (context.args.size() != 4) {
        return UsageOf(context, kSynopsis);
    } else if (typeName == "sz") {
        // Without a terminating zero, as KeyVoice writes its texts.
        const std::span<const std::uint8_t> text = BytesOfText(context.args[3]);
        value = RegistryValue{ValueType::String, Bytes(text.begin(), text.end())};
    } else if (typeName == "dword") {
        const std::optional<std::uint32_t> number = ParseDwordArgument(context.args[3]);
        if (!number)
            return Fail(context, ExitStatus::Usage, "not a dword: " + context.args[3]);
        value = RegistryValue{
            ValueType::Dword,
            {static_cast<std::uint8_t>(*number), static_cast<std::uint8_t>(*number >> 8),
             static_cast<std::uint8_t>(*number >> 16), static_cast<std::uint8_t>(*number >> 24)}};
    } else {
        return Fail(context, ExitStatus::Usage,
                    "unknown value type: " + typeName + " (sz, binary or dword)");
    }

    RegistryKey key;
    if (RegResult result = context.registry.CreateKey(zav::platform::Hive::LocalMachine,
                                                      keyvoice::kZavKeyPath, Access::All, key);
        result != RegResult::Success) {
        return StoreFailure(context, "cannot open " + OurKeyName(), result);
    }
    if (RegResult result = key.Set(name, value.type, value.data); result != RegResult::Success) {
        return StoreFailure(context, "cannot write " + name, result);
    }
    return ExitStatus::Success;
}

ExitStatus Delete(CommandContext& context) {
    if (context.args.size() != 2)
        return UsageOf(context, "delete NAME");
    const std::string& name = context.args[1];
    RegistryKey key;
    ExitStatus status = ExitStatus::Success;
    if (!OpenOurKey(context, Access::All, key, "no such value: " + name, status))
        return status;
    const RegResult result = key.Delete(name);
    if (result == RegResult::FileNotFound) {
        return Fail(context, ExitStatus::Usage, "no such value: " + name);
    }
    if (result != RegResult::Success)
        return StoreFailure(context, "cannot delete " + name, result);
    return ExitStatus::Success;
}

ExitStatus Import(CommandContext& context) {
    if (context.args.size() != 2)
        return UsageOf(context, "import FILE.reg");
    const std::string& path = context.args[1];
    std::vector<std::uint8_t> bytes;
    if (auto read = context.files.ReadFile(path, kMaxRegFileBytes, bytes); !read.Ok()) {
        if (read.error == zav::platform::FileError::TooLarge) {
            return Fail(context, ExitStatus::Usage, path + ": larger than a .reg file of our key");
        }
        return Fail(context, ExitStatus::Usage, "cannot read " + path + ": " + read.detail);
    }
    std::string problem;
    const std::optional<RegFile> file = ParseRegFile(bytes, problem);
    if (!file)
        return Fail(context, ExitStatus::Usage, path + ": " + problem);

    std::vector<ValueChange> changes;
    std::size_t written = 0;
    std::vector<std::string> skipped;
    bool foundOurKey = false;
    for (const RegFileSection& section : file->sections) {
        if (!IsOurKey(section.key)) {
            skipped.push_back("skipped [" + std::string(section.removeKey ? "-" : "") +
                              section.key + "] (" + std::to_string(section.entries.size()) +
                              " values)");
            continue;
        }
        if (section.removeKey) {
            return Fail(context, ExitStatus::Usage,
                        path + ": line " + std::to_string(section.line) +
                            ": deleting the key itself is not supported");
        }
        foundOurKey = true;
        for (const RegFileEntry& entry : section.entries) {
            changes.push_back(ValueChange{entry.name, entry.remove, entry.value});
            written += entry.remove ? 0 : 1;
        }
    }
    if (!foundOurKey) {
        return Fail(context, ExitStatus::Usage, path + ": no [" + OurKeyName() + "] section");
    }
    for (const std::string& line : skipped)
        context.out << line << '\n';

    RegistryKey key;
    if (RegResult result = context.registry.CreateKey(zav::platform::Hive::LocalMachine,
                                                      keyvoice::kZavKeyPath, Access::All, key);
        result != RegResult::Success) {
        return StoreFailure(context, "cannot open " + OurKeyName(), result);
    }
    std::size_t deleted = 0;
    if (RegResult result = key.Apply(changes, deleted); result != RegResult::Success) {
        return StoreFailure(context, "cannot import " + path, result);
    }
    context.out << "imported " << written << " values";
    if (deleted > 0)
        context.out << ", deleted " << deleted;
    context.out << '\n';
    return ExitStatus::Success;
}

ExitStatus Export(CommandContext& context) {
    if (context.args.size() != 2)
        return UsageOf(context, "export FILE.reg");
    const std::string& path = context.args[1];
    RegistryKey key;
    ExitStatus status = ExitStatus::Success;
    if (!OpenOurKey(context, Access::Read, key, "no such key: " + OurKeyName(), status)) {
        return status;
    }
    std::vector<NamedValue> values;
    if (RegResult result = key.List(values); result != RegResult::Success) {
        return StoreFailure(context, "cannot list " + OurKeyName(), result);
    }
    std::string problem;
    const std::optional<std::string> text = FormatRegFile(OurKeyName(), values, problem);
    if (!text)
        return Fail(context, ExitStatus::Usage, problem);
    if (text->size() > kMaxRegFileBytes) {
        return Fail(context, ExitStatus::Usage,
                    "cannot export: the key's values make a file of " +
                        std::to_string(text->size()) + " bytes, more than the " +
                        std::to_string(kMaxRegFileBytes) + " that reg import reads");
    }

    const std::span<const std::uint8_t> pieces[] = {BytesOfText(*text)};
    if (auto written = context.files.ReplaceFile(path, pieces); !written.Ok()) {
        return Fail(context, ExitStatus::Usage, "cannot write " + path + ": " + written.detail);
    }
    context.out << "exported " << values.size() << " values to " << path << '\n';
    return ExitStatus::Success;
}

}  // namespace

ExitStatus RunReg(CommandContext& context) {
    constexpr std::string_view kSynopsis =
        "list | get NAME | set NAME sz|binary|dword VALUE | delete NAME | import FILE.reg | "
        "export FILE.reg";
    if (context.args.empty())
        return UsageOf(context, kSynopsis);
    const std::string& command = context.args[0];
    if (command == "list")
        return List(context);
    if (command == "get")
        return Get(context);
    if (command == "set")
        return Set(context);
    if (command == "delete")
        return Delete(context);
    if (command == "import")
        return Import(context);
    if (command == "export")
        return Export(context);
    return Fail(context, ExitStatus::Usage, "unknown reg command: " + command);
}

}  // namespace zavtool
