// zavtool reg run in-process on an in-memory store and in-memory files.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "platform/sqlite/sqlite_registry.h"
#include "platform/testing/memory_file_system.h"
#include "platform/testing/memory_registry.h"
#include "tools/zavtool/command.h"

namespace zavtool {
namespace {

using zav::platform::Access;
using zav::platform::Bytes;
using zav::platform::Hive;
using zav::platform::NamedValue;
using zav::platform::RegistryKey;
using zav::platform::RegistryValue;
using zav::platform::RegResult;
using zav::platform::ValueType;

constexpr std::string_view kKeyPath = "Software\\TAMBORI\\ZAV  - Blue Hollow -\\2.0";
constexpr std::string_view kSection =
    "[HKEY_LOCAL_MACHINE\\Software\\TAMBORI\\ZAV  - Blue Hollow -\\2.0]";

Bytes BytesOf(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

RegistryValue Sz(std::string_view text) {
    return {ValueType::String, BytesOf(text)};
}

struct RegRun {
    ExitStatus status;
    std::string out;
    std::string err;
};

RegRun RunRegOn(zav::platform::RegistryStore& store, zav::platform::sim::MemoryFileSystem& files,
                std::vector<std::string> args) {
    std::ostringstream out, err;
    CommandContext context{args, out, err, store, files};
    const ExitStatus status = RunReg(context);
    return {status, out.str(), err.str()};
}

std::vector<NamedValue> ValuesIn(zav::platform::RegistryStore& store) {
    RegistryKey key;
    std::vector<NamedValue> values;
    if (store.OpenKey(Hive::LocalMachine, kKeyPath, Access::Read, key) == RegResult::Success) {
        EXPECT_EQ(key.List(values), RegResult::Success);
    }
    return values;
}

void ExpectSameValues(const std::vector<NamedValue>& actual,
                      const std::vector<NamedValue>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        EXPECT_EQ(actual[i].name, expected[i].name);
        EXPECT_EQ(actual[i].value.type, expected[i].value.type) << expected[i].name;
        EXPECT_EQ(actual[i].value.data, expected[i].value.data) << expected[i].name;
    }
}

class RegCommand : public testing::Test {
  protected:
    RegRun Reg(std::vector<std::string> args) { return RunRegOn(store_, files_, std::move(args)); }

    void Seed(const std::vector<NamedValue>& values) {
        RegistryKey key;
        ASSERT_EQ(store_.CreateKey(Hive::LocalMachine, kKeyPath, Access::All, key),
                  RegResult::Success);
        for (const NamedValue& v : values)
            ASSERT_EQ(key.Set(v.name, v.value.type, v.value.data), RegResult::Success);
    }

    void PutFile(const std::string& name, std::string_view content) {
        files_.Put(name, BytesOf(content));
    }

    // Usage and bad input: status 2, exactly one line on stderr, nothing on stdout.
    static void ExpectRefused(const RegRun& run, const std::string& message) {
        EXPECT_EQ(run.status, ExitStatus::Usage);
        EXPECT_EQ(run.err, "zavtool: " + message + "\n");
    }

    zav::platform::sim::MemoryRegistry store_;
    zav::platform::sim::MemoryFileSystem files_;
};

TEST_F(RegCommand, SetThenGetListAndDeleteEachType) {
    ASSERT_EQ(Reg({"set", "Key7Info", "sz", "7,1,C:\\APPS\\SYS\\cfff7.wax"}).status,
              ExitStatus::Success);
    ASSERT_EQ(Reg({"set", "MicEnv", "binary", "0a,1b", "2c3d"}).status, ExitStatus::Success);
    ASSERT_EQ(Reg({"set", "Count", "dword", "0x10"}).status, ExitStatus::Success);

    EXPECT_EQ(Reg({"get", "key7info"}).out, "7,1,C:\\APPS\\SYS\\cfff7.wax\n");
    EXPECT_EQ(Reg({"get", "MicEnv"}).out, "0a 1b 2c 3d\n");
    EXPECT_EQ(Reg({"get", "Count"}).out, "16\n");
    const RegRun list = Reg({"list"});
    EXPECT_EQ(list.status, ExitStatus::Success);
    EXPECT_EQ(list.out,
              "Key7Info\tsz\t7,1,C:\\APPS\\SYS\\cfff7.wax\n"
              "MicEnv\tbinary\t0a 1b 2c 3d\n"
              "Count\tdword\t16\n");

    // Texts are stored as KeyVoice stores them: the characters, no terminating zero.
    ExpectSameValues(ValuesIn(store_), {{"Key7Info", Sz("7,1,C:\\APPS\\SYS\\cfff7.wax")},
                                        {"MicEnv", {ValueType::Binary, {0x0a, 0x1b, 0x2c, 0x3d}}},
                                        {"Count", {ValueType::Dword, {0x10, 0, 0, 0}}}});

    EXPECT_EQ(Reg({"delete", "KEY7INFO"}).status, ExitStatus::Success);
    ExpectSameValues(ValuesIn(store_), {{"MicEnv", {ValueType::Binary, {0x0a, 0x1b, 0x2c, 0x3d}}},
                                        {"Count", {ValueType::Dword, {0x10, 0, 0, 0}}}});
}

TEST_F(RegCommand, AMissingKeyIsReportedNotCreatedByReadingAndBadArgumentsChangeNothing) {
    ExpectRefused(Reg({"list"}), "no such key: HKEY_LOCAL_MACHINE\\" + std::string(kKeyPath));
    ExpectRefused(Reg({"get", "DataPath"}), "no such value: DataPath");
    ExpectRefused(Reg({"export", "out.reg"}),
                  "no such key: HKEY_LOCAL_MACHINE\\" + std::string(kKeyPath));
    RegistryKey key;
    EXPECT_EQ(store_.OpenKey(Hive::LocalMachine, kKeyPath, Access::Read, key),
              RegResult::FileNotFound);
    EXPECT_FALSE(files_.Exists("out.reg"));

    Seed({{"DataPath", Sz("D:\\")}});
    const std::vector<NamedValue> before = ValuesIn(store_);
    const std::string usage =
        "usage: zavtool reg list | get NAME | set NAME sz|binary|dword VALUE | delete NAME | "
        "import FILE.reg | export FILE.reg";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, usage},
        {{"rename"}, "unknown reg command: rename"},
        {{"list", "extra"}, "usage: zavtool reg list"},
        {{"get"}, "usage: zavtool reg get NAME"},
        {{"get", "Missing"}, "no such value: Missing"},
        {{"delete", "Missing"}, "no such value: Missing"},
        {{"set", "X", "sz"}, "usage: zavtool reg set NAME sz|binary|dword VALUE"},
        {{"set", "X", "sz", "a", "b"}, "usage: zavtool reg set NAME sz|binary|dword VALUE"},
        {{"set", "X", "qword", "1"}, "unknown value type: qword (sz, binary or dword)"},
        {{"set", "X", "binary", "0a", "zz"}, "not a hex byte: zz"},
        {{"set", "X", "dword", "-1"}, "not a dword: -1"},
        {{"set", "X", "dword", "4294967296"}, "not a dword: 4294967296"},
        {{"import"}, "usage: zavtool reg import FILE.reg"},
        {{"export", "a.reg", "b.reg"}, "usage: zavtool reg export FILE.reg"},
    };
    for (const auto& [args, message] : cases) {
        SCOPED_TRACE(message);
        ExpectRefused(Reg(args), message);
    }
    ExpectSameValues(ValuesIn(store_), before);
    EXPECT_TRUE(files_.Files().empty());
}

TEST_F(RegCommand, AFailingStoreGivesStatusOne) {
    Seed({{"DataPath", Sz("D:\\")}});
    store_.SetBadDatabase(true);
    for (std::vector<std::string> args :
         {std::vector<std::string>{"list"}, {"get", "DataPath"}, {"set", "A", "sz", "b"}}) {
        const RegRun run = Reg(args);
        EXPECT_EQ(run.status, ExitStatus::LoadFailed) << args[0];
        EXPECT_THAT(run.err, testing::HasSubstr("damaged")) << args[0];
    }
    store_.SetBadDatabase(false);
    store_.DenyAccess(Access::Write);
    const RegRun refused = Reg({"set", "A", "sz", "b"});
    EXPECT_EQ(refused.status, ExitStatus::LoadFailed);
    EXPECT_THAT(refused.err, testing::HasSubstr("access denied"));
}

TEST_F(RegCommand, AStoreFailureCarriesTheStoresOwnText) {
    const std::filesystem::path file =
        std::filesystem::path(testing::TempDir()) / "zavtool_reg_not_a_store.sqlite";
    std::ofstream(file, std::ios::binary) << "this is no database, just text long enough";
    zav::platform::SqliteRegistry store(file.string());
    const RegRun run = RunRegOn(store, files_, {"list"});
    std::filesystem::remove(file);
    EXPECT_EQ(run.status, ExitStatus::LoadFailed);
    EXPECT_THAT(run.err, testing::HasSubstr("not a database"));
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1);
}

// Every kind of value the store can hold, including texts with and without a terminating
// zero and bytes no quoted text can carry.
std::vector<NamedValue> EveryKindOfValue() {
    Bytes all(256);
    std::iota(all.begin(), all.end(), 0);
    std::vector<NamedValue> values = {
        {"Key7Info", Sz("7,1,C:\\APPS\\SYS\\cfff7.wax")},
        {"DataPath", Sz(std::string_view("D:\\SOUND\\\0", 10))},
        {"", Sz("default")},
        {"@", Sz("a value named @")},
        {"Empty", {ValueType::String, {}}},
        {"Quotes \"and\" \\slashes\\", Sz("\"x\" \\y\\")},
        {"Lines", Sz("one\r\ntwo\n")},
        {"Zeros", Sz(std::string_view("a\0\0b", 4))},
        {"Blanks", Sz("  padded\t ")},
        {"NotComment", Sz(";[x]=hex:00,\\")},
        {"Latin1 \xE9", Sz("\xE9t\xE9 \xFF\xFE")},
        {"MicEnv", {ValueType::Binary, all}},
        {"EmptyBinary", {ValueType::Binary, {}}},
        {"Dword", {ValueType::Dword, {0xd4, 0xc3, 0xb2, 0xa1}}},
        {"OddDword", {ValueType::Dword, {1, 2, 3}}},
        {"Expand", {ValueType::ExpandString, BytesOf(std::string_view("%HOME%\\x\0", 9))}},
        {"Multi", {ValueType::MultiString, BytesOf(std::string_view("a\0b\0\0", 5))}},
        {"None", {ValueType::None, {}}},
        {"Qword", {static_cast<ValueType>(11), {1, 2, 3, 4, 5, 6, 7, 8}}},
    };
    return values;
}

TEST_F(RegCommand, ExportThenImportIntoAnEmptyStoreGivesBackEveryByte) {
    const std::vector<NamedValue> values = EveryKindOfValue();
    Seed(values);
    const RegRun exported = Reg({"export", "zav.reg"});
    ASSERT_EQ(exported.status, ExitStatus::Success) << exported.err;
    ASSERT_TRUE(files_.Exists("zav.reg"));

    zav::platform::sim::MemoryRegistry empty;
    const RegRun imported = RunRegOn(empty, files_, {"import", "zav.reg"});
    ASSERT_EQ(imported.status, ExitStatus::Success) << imported.err;
    EXPECT_EQ(imported.out, "imported " + std::to_string(values.size()) + " values\n");
    ExpectSameValues(ValuesIn(empty), values);
}

TEST_F(RegCommand, ImportTakesOnlyOurKeyAndSaysWhatItSkipped) {
    Seed({{"Key6Info", Sz("old")}, {"Kept", Sz("kept")}});
    PutFile("in.reg",
            "Windows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\TAMBORI\\ZAV  - Blue Hollow -\\2.0]\r\n"
            "\"Other\"=\"x\"\r\n\r\n" +
                std::string(kSection) +
                "\r\n\"Key6Info\"=-\r\n\"DataPath\"=\"D:\\\\SOUND\\\\\"\r\n"
                "\"Absent\"=-\r\n\r\n"
                "[HKEY_LOCAL_MACHINE\\Software\\TAMBORI\\ZAV  - Blue Hollow -\\2.0\\Sub]"
                "\r\n\"Deeper\"=dword:00000001\r\n");
    const RegRun run = Reg({"import", "in.reg"});
    ASSERT_EQ(run.status, ExitStatus::Success) << run.err;
    EXPECT_EQ(run.out,
              "skipped [HKEY_CURRENT_USER\\Software\\TAMBORI\\ZAV  - Blue Hollow -\\2.0] "
              "(1 values)\n"
              "skipped [HKEY_LOCAL_MACHINE\\Software\\TAMBORI\\ZAV  - Blue Hollow -\\2.0\\Sub] "
              "(1 values)\n"
              "imported 1 values, deleted 1\n");
    ExpectSameValues(ValuesIn(store_), {{"Kept", Sz("kept")}, {"DataPath", Sz("D:\\SOUND\\")}});
}

TEST_F(RegCommand, ABadImportFileWritesNothing) {
    Seed({{"DataPath", Sz("D:\\")}});
    const std::vector<NamedValue> before = ValuesIn(store_);
    const std::string good = "REGEDIT4\r\n\r\n" + std::string(kSection) + "\r\n\"A\"=\"1\"\r\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {good + "\"B\"=\"2\"\r\n\"C\"=hex:0a,zz\r\n", "in.reg: line 6: not a hex byte: zz"},
        {good + "\"D\"=dword:1g\r\n", "in.reg: line 5: not a dword: 1g"},
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n\"A\"=\"1\"\r\n",
         "in.reg: no [HKEY_LOCAL_MACHINE\\Software\\TAMBORI\\ZAV  - Blue Hollow -\\2.0] section"},
        {good + "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\TAMBORI\\ZAV  - Blue Hollow -\\2.0]\r\n",
         "in.reg: line 5: deleting the key itself is not supported"},
        {"not a reg file",
         "in.reg: line 1: expected REGEDIT4 or Windows Registry Editor "
         "Version 5.00, found not a reg file"},
    };
    for (const auto& [content, message] : cases) {
        SCOPED_TRACE(message);
        PutFile("in.reg", content);
        const RegRun run = Reg({"import", "in.reg"});
        EXPECT_EQ(run.status, ExitStatus::Usage);
        EXPECT_THAT(run.err, testing::EndsWith("zavtool: " + message + "\n"));
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1);
        ExpectSameValues(ValuesIn(store_), before);
    }
    const RegRun missing = Reg({"import", "absent.reg"});
    EXPECT_EQ(missing.status, ExitStatus::Usage);
    EXPECT_THAT(missing.err, testing::StartsWith("zavtool: cannot read absent.reg"));
}

// The store fails at each change of the import in turn (as a disk that fills there would): the
// key keeps every earlier byte, spelling and place. B is deleted and made again as b.
TEST_F(RegCommand, AStoreFailingAnywhereInAnImportLeavesTheKeyAsItWas) {
    PutFile("in.reg", "REGEDIT4\r\n" + std::string(kSection) +
                          "\r\n\"A\"=\"new a\"\r\n\"B\"=-\r\n\"b\"=\"respelled b\"\r\n"
                          "\"C\"=\"new c\"\r\n\"D\"=\"new d\"\r\n");
    Seed({{"A", Sz("old a")}, {"B", Sz("old b")}, {"E", {ValueType::Binary, {0, 1, 2}}}});
    const std::vector<NamedValue> before = ValuesIn(store_);
    for (int failing = 1; failing <= 5; ++failing) {
        SCOPED_TRACE("change " + std::to_string(failing) + " fails");
        store_.FailChange(failing);
        const RegRun run = Reg({"import", "in.reg"});
        EXPECT_EQ(run.status, ExitStatus::LoadFailed);
        EXPECT_EQ(run.err,
                  "zavtool: cannot import in.reg: the store is damaged or cannot be read or "
                  "written\n");
        ExpectSameValues(ValuesIn(store_), before);
    }
    store_.FailChange(0);
    const RegRun run = Reg({"import", "in.reg"});
    ASSERT_EQ(run.status, ExitStatus::Success) << run.err;
    EXPECT_EQ(run.out, "imported 4 values, deleted 1\n");
    ExpectSameValues(ValuesIn(store_), {{"A", Sz("new a")},
                                        {"E", {ValueType::Binary, {0, 1, 2}}},
                                        {"b", Sz("respelled b")},
                                        {"C", Sz("new c")},
                                        {"D", Sz("new d")}});
}

// A key whose .reg file would be larger than reg import reads is not exported: the earlier
// file stays as it was. One byte less of value gives a file that the import takes back.
TEST_F(RegCommand, AnExportThatImportCouldNotReadBackIsRefused) {
    PutFile("zav.reg", "earlier export");
    // A binary value takes three characters a byte, and a line break every 25 bytes or so.
    Bytes big(1400000, 0xAB);
    Seed({{"Big", {ValueType::Binary, big}}});
    const RegRun refused = Reg({"export", "zav.reg"});
    EXPECT_EQ(refused.status, ExitStatus::Usage);
    EXPECT_THAT(refused.err, testing::StartsWith("zavtool: cannot export: the key's values make a "
                                                 "file of "));
    EXPECT_THAT(refused.err, testing::EndsWith(" bytes, more than the 4194304 that reg import "
                                               "reads\n"));
    EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1);
    EXPECT_EQ(*files_.Find("zav.reg"), BytesOf("earlier export"));

    big.resize(1300000);
    Seed({{"Big", {ValueType::Binary, big}}});
    ASSERT_EQ(Reg({"export", "zav.reg"}).status, ExitStatus::Success);
    zav::platform::sim::MemoryRegistry empty;
    const RegRun imported = RunRegOn(empty, files_, {"import", "zav.reg"});
    ASSERT_EQ(imported.status, ExitStatus::Success) << imported.err;
    ExpectSameValues(ValuesIn(empty), {{"Big", {ValueType::Binary, big}}});
}

TEST_F(RegCommand, ExportReportsAFileThatCannotBeWritten) {
    Seed({{"DataPath", Sz("D:\\")}});
    files_.FailWritesUnder("full");
    const RegRun run = Reg({"export", "full/zav.reg"});
    EXPECT_EQ(run.status, ExitStatus::Usage);
    EXPECT_THAT(run.err, testing::StartsWith("zavtool: cannot write full/zav.reg"));
    EXPECT_TRUE(files_.Files().empty());
}

}  // namespace
}  // namespace zavtool
