// Reading and writing the registry editor's text format.

#include "tools/zavtool/reg_file.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>

namespace zavtool {
namespace {

using zav::platform::Bytes;
using zav::platform::NamedValue;
using zav::platform::RegistryValue;
using zav::platform::ValueType;

Bytes BytesOf(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

RegistryValue Sz(std::string_view text) {
    return {ValueType::String, BytesOf(text)};
}

// The file's text as UTF-16LE with its byte order mark, as the Unicode editor writes it.
// Only for texts of ASCII and two-byte UTF-8 characters, which is all the tests need.
Bytes Utf16File(std::string_view utf8) {
    Bytes bytes = {0xFF, 0xFE};
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        auto c = static_cast<std::uint8_t>(utf8[i]);
        char16_t unit = c;
        if (c >= 0xC0)
            unit = static_cast<char16_t>(((c & 0x1F) << 6) | (utf8[++i] & 0x3F));
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return bytes;
}

struct Expected {
    std::string name;
    bool remove;
    RegistryValue value;
};

struct ParseCase {
    const char* label;
    Bytes file;
    std::vector<Expected> entries;  // of the first section
};

TEST(ParseRegFile, ReadsEveryValueForm) {
    Bytes all(256);
    std::iota(all.begin(), all.end(), 0);
    const std::string k = "[HKEY_LOCAL_MACHINE\\Software\\TAMBORI\\ZAV  - Blue Hollow -\\2.0]";
    const std::vector<ParseCase> cases = {
        {"quoted text with escapes, CRLF",
         BytesOf("REGEDIT4\r\n\r\n" + k +
                 "\r\n\"ZavSysPath\"=\"C:\\\\APPS\\\\SYS\"\r\n"
                 "\"Say\"=\"a \\\"b\\\"\"\r\n"),
         {{"ZavSysPath", false, Sz("C:\\APPS\\SYS")}, {"Say", false, Sz("a \"b\"")}}},
        {"default value, empty text, blanks around =, LF only",
         BytesOf("REGEDIT4\n" + k + "\n@=\"d\"\n\"Empty\" = \"\"\n"),
         {{"", false, Sz("d")}, {"Empty", false, {ValueType::String, {}}}}},
        {"dwords",
         BytesOf("REGEDIT4\n" + k + "\n\"A\"=dword:0000002a\n\"B\"=DWORD:FFFFFFFF\n"),
         {{"A", false, {ValueType::Dword, {0x2a, 0, 0, 0}}},
          {"B", false, {ValueType::Dword, {0xff, 0xff, 0xff, 0xff}}}}},
        {"binary, empty binary, continued over lines",
         BytesOf("REGEDIT4\n" + k +
                 "\n\"B\"=hex:0a,1B\n\"E\"=hex:\n\"M\"=hex:00,01,\\\n  02,03, \\\n\t04\n"),
         {{"B", false, {ValueType::Binary, {0x0a, 0x1b}}},
          {"E", false, {ValueType::Binary, {}}},
          {"M", false, {ValueType::Binary, {0, 1, 2, 3, 4}}}}},
        {"hex(N) keeps its bytes in REGEDIT4",
         BytesOf("REGEDIT4\n" + k + "\n\"X\"=hex(2):41,00,00,00\n\"Q\"=hex(b):01,02\n"),
         {{"X", false, {ValueType::ExpandString, {0x41, 0, 0, 0}}},
          {"Q", false, {static_cast<ValueType>(11), {1, 2}}}}},
        {"hex(1), hex(2) and hex(7) are UTF-16 text in Version 5.00",
         BytesOf("Windows Registry Editor Version 5.00\r\n\r\n" + k +
                 "\r\n\"S\"=hex(1):41,00,e9,00,00,00\r\n\"M\"=hex(7):61,00,00,00,00,00\r\n"
                 "\"B\"=hex:41,00\r\n"),
         {{"S", false, Sz(std::string_view("A\xC3\xA9\0", 4))},
          {"M", false, {ValueType::MultiString, BytesOf(std::string_view("a\0\0", 3))}},
          {"B", false, {ValueType::Binary, {0x41, 0}}}}},
        {"UTF-16LE file",
         Utf16File("Windows Registry Editor Version 5.00\r\n\r\n" + k +
                   "\r\n\"Caf\xC3\xA9\"=\"\xC3\xA9t\xC3\xA9\"\r\n"),
         {{"Caf\xC3\xA9", false, Sz("\xC3\xA9t\xC3\xA9")}}},
        {"UTF-8 byte order mark, comments, deletion",
         BytesOf("\xEF\xBB\xBFREGEDIT4\n; a comment\n" + k +
                 "\n  ; another\n\"Gone\"=-\n\"Kept\"=\"a;b\"\n"),
         {{"Gone", true, {}}, {"Kept", false, Sz("a;b")}}},
    };
    for (const ParseCase& c : cases) {
        std::string error;
        const std::optional<RegFile> file = ParseRegFile(c.file, error);
        ASSERT_TRUE(file) << c.label << ": " << error;
        ASSERT_EQ(file->sections.size(), 1u) << c.label;
        EXPECT_EQ(file->sections[0].key,
                  "HKEY_LOCAL_MACHINE\\Software\\TAMBORI\\ZAV  - Blue Hollow -\\2.0");
        const auto& entries = file->sections[0].entries;
        ASSERT_EQ(entries.size(), c.entries.size()) << c.label;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(entries[i].name, c.entries[i].name) << c.label;
            EXPECT_EQ(entries[i].remove, c.entries[i].remove) << c.label;
            if (!c.entries[i].remove) {
                EXPECT_EQ(entries[i].value, c.entries[i].value) << c.label;
            }
        }
    }
}

TEST(ParseRegFile, KeepsEverySectionAndMarksKeyDeletions) {
    std::string error;
    const auto file = ParseRegFile(BytesOf("Windows Registry Editor Version 5.00\n"
                                           "[HKEY_CURRENT_USER\\A]\n\"x\"=\"1\"\n"
                                           "[-HKEY_LOCAL_MACHINE\\B]\n"
                                           "[HKEY_LOCAL_MACHINE\\C]  \n"),
                                   error);
    ASSERT_TRUE(file) << error;
    EXPECT_EQ(file->format, RegFileFormat::Version5);
    ASSERT_EQ(file->sections.size(), 3u);
    EXPECT_EQ(file->sections[0].key, "HKEY_CURRENT_USER\\A");
    EXPECT_EQ(file->sections[0].entries.size(), 1u);
    EXPECT_TRUE(file->sections[1].removeKey);
    EXPECT_EQ(file->sections[1].key, "HKEY_LOCAL_MACHINE\\B");
    EXPECT_EQ(file->sections[2].line, 5);
}

TEST(ParseRegFile, NamesTheLineAndTheProblem) {
    const std::string h = "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\K]\r\n";
    const std::vector<std::pair<Bytes, std::string>> cases = {
        {BytesOf(""), "line 1: the file is empty"},
        {BytesOf("REGEDIT5\r\n"),
         "line 1: expected REGEDIT4 or Windows Registry Editor Version 5.00, found REGEDIT5"},
        {BytesOf("REGEDIT4\n\"a\"=\"b\"\n"), "line 2: value outside a [KEY] section"},
        {BytesOf("REGEDIT4\n[HKEY_LOCAL_MACHINE\\K\n"), "line 2: the key's closing ] is missing"},
        {BytesOf("REGEDIT4\n[]\n"), "line 2: empty key name"},
        {BytesOf(h + "\"B\"=hex:0a,zz\r\n"), "line 3: not a hex byte: zz"},
        {BytesOf(h + "\"B\"=hex:0a,\\\r\n  0b,\\\r\n  123\r\n"), "line 5: not a hex byte: 123"},
        {BytesOf(h + "\"B\"=hex:0a,,0b\r\n"), "line 3: a hex byte is missing between commas"},
        {BytesOf(h + "\"B\"=hex:0a,\r\n"), "line 3: a hex byte is missing between commas"},
        {BytesOf(h + "\"B\"=hex:0a,\\"), "line 3: the hex data continues past the end of the file"},
        {BytesOf(h + "\"B\"=hex(zz):00\r\n"),
         "line 3: expected hex(N) with N the type in hex digits"},
        {BytesOf(h + "\"B\"=hex;00\r\n"), "line 3: expected : after hex"},
        {BytesOf(h + "\"D\"=dword:123456789\r\n"), "line 3: not a dword: 123456789"},
        {BytesOf(h + "\"D\"=dword:12g\r\n"), "line 3: not a dword: 12g"},
        {BytesOf(h + "\"D\"=dword:\r\n"), "line 3: not a dword: "},
        {BytesOf(h + "\"S\"=\"open\r\n"), "line 3: the closing quote of the text is missing"},
        {BytesOf(h + "\"S\r\n"), "line 3: the closing quote of the value's name is missing"},
        {BytesOf(h + "\"S\"=\"C:\\APPS\"\r\n"), "line 3: unknown escape \\A in the text"},
        {BytesOf(h + "\"S\"=\"x\" y\r\n"), "line 3: unexpected text after the value: y"},
        {BytesOf(h + "\"S\"=- y\r\n"), "line 3: unexpected text after the value: y"},
        {BytesOf(h + "\"S\" \"x\"\r\n"), "line 3: expected = after the value's name"},
        {BytesOf(h + "\"S\"=\r\n"), "line 3: the value is missing after ="},
        {BytesOf(h + "\"S\"=qword:1\r\n"), "line 3: unsupported value: qword:1"},
        {BytesOf(h + "stray\r\n"),
         "line 3: expected a [KEY] line, a value or a comment, found stray"},
        {BytesOf(std::string("REGEDIT4\n\"a\0\"=\"b\"\n", 18)),
         "line 2: unexpected zero byte (a UTF-16 file needs its byte order mark)"},
        {BytesOf("Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\K]\n"
                 "\"S\"=hex(1):41,00,42\n"),
         "line 3: the text in hex(1) is not valid UTF-16LE"},
        {Bytes{0xFF, 0xFE, 0x52, 0x00, 0x45}, "not valid UTF-16LE text"},
        {Bytes{0xFF, 0xFE, 0x00, 0xDC}, "not valid UTF-16LE text"},
        {Bytes{0xFE, 0xFF, 0x00, 0x52}, "UTF-16 big-endian files are not supported"},
    };
    for (const auto& [file, expected] : cases) {
        std::string error;
        EXPECT_FALSE(ParseRegFile(file, error)) << expected;
        EXPECT_EQ(error, expected);
    }
}

TEST(FormatRegFile, WritesTheFormThatKeepsEachValuesBytes) {
    const std::vector<NamedValue> values = {
        {"Key7Info", Sz("7,1,C:\\APPS\\SYS\\cfff7.wax")},
        {"DataPath", Sz(std::string_view("D:\\\0", 4))},
        {"Say \"x\"", Sz("a\"b")},
        {"", {ValueType::String, {}}},
        {"N", {ValueType::Dword, {0x2a, 0, 0, 0x80}}},
        {"Short", {ValueType::Dword, {1, 2}}},
        {"MicEnv", {ValueType::Binary, {0x0a, 0xff}}},
        {"Empty", {ValueType::Binary, {}}},
        {"Q", {static_cast<ValueType>(11), {1}}},
    };
    std::string error;
    const std::optional<std::string> text = FormatRegFile("HKEY_LOCAL_MACHINE\\K", values, error);
    ASSERT_TRUE(text) << error;
    EXPECT_EQ(*text,
              "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\K]\r\n"
              "\"Key7Info\"=\"7,1,C:\\\\APPS\\\\SYS\\\\cfff7.wax\"\r\n"
              "\"DataPath\"=hex(1):44,3a,5c,00\r\n"
              "\"Say \\\"x\\\"\"=\"a\\\"b\"\r\n"
              "@=\"\"\r\n"
              "\"N\"=dword:8000002a\r\n"
              "\"Short\"=hex(4):01,02\r\n"
              "\"MicEnv\"=hex:0a,ff\r\n"
              "\"Empty\"=hex:\r\n"
              "\"Q\"=hex(b):01\r\n"
              "\r\n");
}

TEST(FormatRegFile, WrapsLongHexDataAsTheEditorDoes) {
    Bytes all(256);
    std::iota(all.begin(), all.end(), 0);
    const std::vector<NamedValue> values = {{"MicEnv", {ValueType::Binary, all}}};
    std::string error;
    const std::optional<std::string> text = FormatRegFile("HKEY_LOCAL_MACHINE\\K", values, error);
    ASSERT_TRUE(text) << error;

    std::size_t start = text->find("\"MicEnv\"");
    ASSERT_NE(start, std::string::npos);
    int lines = 0;
    while (true) {
        const std::size_t end = text->find("\r\n", start);
        const std::string line = text->substr(start, end - start);
        ++lines;
        EXPECT_LE(line.size(), 80u) << line;
        if (line.empty() || line.back() != '\\')
            break;
        EXPECT_EQ(line.substr(line.size() - 2), ",\\");
        start = end + 2;
        EXPECT_EQ(text->substr(start, 2), "  ");
    }
    EXPECT_GT(lines, 10);

    const std::optional<RegFile> parsed = ParseRegFile(BytesOf(*text), error);
    ASSERT_TRUE(parsed) << error;
    EXPECT_EQ(parsed->sections.at(0).entries.at(0).value, values[0].value);
}

TEST(FormatRegFile, RefusesNamesNoLineCanHold) {
    for (std::string name : {std::string("a\nb"), std::string("a\rb"), std::string("a\0b", 3)}) {
        const std::vector<NamedValue> values = {{name, Sz("x")}};
        std::string error;
        EXPECT_FALSE(FormatRegFile("HKEY_LOCAL_MACHINE\\K", values, error));
        EXPECT_NE(error.find("cannot hold"), std::string::npos) << error;
    }
}

}  // namespace
}  // namespace zavtool
