// Values as typed on zavtool's command line and as shown by it.

#include "tools/zavtool/reg_value_text.h"

#include <gtest/gtest.h>

namespace zavtool {
namespace {

using zav::platform::Bytes;
using zav::platform::RegistryValue;
using zav::platform::ValueType;

TEST(ParseHexArgument, AcceptsBlanksCommasOrNeither) {
    const std::vector<std::pair<std::string, Bytes>> good = {
        {"0a 1b", {0x0a, 0x1b}},
        {"0a,1b", {0x0a, 0x1b}},
        {"0a, 1b", {0x0a, 0x1b}},
        {"0a1B", {0x0a, 0x1b}},
        {" ff\t00 ,", {0xff, 0x00}},
        {"", {}},
        {"0a1b 2c,3d4e", {0x0a, 0x1b, 0x2c, 0x3d, 0x4e}},
    };
    for (const auto& [text, expected] : good) {
        std::string bad;
        const auto bytes = ParseHexArgument(text, bad);
        ASSERT_TRUE(bytes) << text << " bad: " << bad;
        EXPECT_EQ(*bytes, expected) << text;
    }
    const std::vector<std::pair<std::string, std::string>> wrong = {
        {"zz", "zz"}, {"0a zz", "zz"}, {"0azz", "zz"}, {"abc", "abc"}, {"0x0a", "0x"}, {"a", "a"},
    };
    for (const auto& [text, offending] : wrong) {
        std::string bad;
        EXPECT_FALSE(ParseHexArgument(text, bad)) << text;
        EXPECT_EQ(bad, offending) << text;
    }
}

TEST(ParseDwordArgument, TakesDecimalOrHexWithinThirtyTwoBits) {
    const std::vector<std::pair<std::string, std::uint32_t>> good = {
        {"0", 0},
        {"42", 42},
        {"4294967295", 0xFFFFFFFF},
        {"0x2a", 0x2a},
        {"0XFFFFFFFF", 0xFFFFFFFF},
        {"007", 7},
    };
    for (const auto& [text, expected] : good)
        EXPECT_EQ(ParseDwordArgument(text), std::optional<std::uint32_t>(expected)) << text;
    for (std::string text :
         {"", "-1", "4294967296", "99999999999", "0x", "0x123456789", "12a", "0xg", " 1", "+1"}) {
        EXPECT_FALSE(ParseDwordArgument(text)) << text;
    }
}

TEST(FormatValueText, ShowsEachTypeAsKeyVoiceWouldReadIt) {
    const std::vector<std::pair<RegistryValue, std::string>> cases = {
        {{ValueType::String, Bytes{'a', 'b'}}, "ab"},
        {{ValueType::String, Bytes{'a', 0, 'b'}}, "a"},
        {{ValueType::ExpandString, Bytes{'x', 0}}, "x"},
        {{ValueType::Dword, Bytes{0x2a, 0, 0, 0}}, "42"},
        {{ValueType::Dword, Bytes{0xff, 0xff, 0xff, 0xff}}, "4294967295"},
        {{ValueType::Dword, Bytes{1, 2}}, "01 02"},
        {{ValueType::Binary, Bytes{0x0a, 0x1b}}, "0a 1b"},
        {{ValueType::Binary, Bytes{}}, ""},
        {{ValueType::MultiString, Bytes{'a', 0, 0}}, "61 00 00"},
    };
    for (const auto& [value, expected] : cases)
        EXPECT_EQ(FormatValueText(value), expected);
}

TEST(EscapeControlBytes, KeepsEachValueOnOneLine) {
    EXPECT_EQ(EscapeControlBytes("C:\\APPS\tx\r\n\x7f"), "C:\\APPS\\x09x\\x0d\\x0a\\x7f");
    EXPECT_EQ(EscapeControlBytes("\xC3\xA9"), "\xC3\xA9");
}

}  // namespace
}  // namespace zavtool
