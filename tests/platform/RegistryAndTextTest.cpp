// The Wine prefix stand-ins: the registry file syntax and Windows-1252 text.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/Registry.h"
#include "platform/Win1252.h"
#include "tests/support/TempDir.h"

namespace varnok {
namespace {

using test::TempDir;

// What a Wine prefix's system.reg looks like after the game's installer ran.
constexpr std::string_view kSystemReg = R"(WINE REGISTRY Version 2
;; All keys relative to \\Machine

#arch=win64

[Software\\Wow6432Node\\Westwood\\Emperor] 1700000000
#time=1da1c2e3f4a5b6c
"InstallPath"="C:\\Westwood\\Emperor\\Emperor.exe"
"Language"=dword:0000000a
@="default text"
"Accents"="Caf\xe9 \x00e9t\xd83d\xde00 \xd800x"
)";

TEST(RegistryFileTest, ReadsWhatWineWrites) {
    const RegFile reg = RegFile::Parse(kSystemReg);
    const std::string key = "Software\\Wow6432Node\\Westwood\\Emperor";

    // Key paths and value names without regard to letter case, as the registry has them.
    const RegValue* path = reg.Value("software\\WOW6432NODE\\westwood\\EMPEROR", "installpath");
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(*path, RegValue::Text("C:\\Westwood\\Emperor\\Emperor.exe"));

    EXPECT_EQ(*reg.Value(key, "Language"), RegValue::Number(10));
    EXPECT_EQ(TextOf(*reg.Value(key, "")), "default text");
    // \x is one UTF-16 unit of up to four digits: a surrogate pair is one
    // character, a lone surrogate a replacement character.
    EXPECT_EQ(TextOf(*reg.Value(key, "Accents")), "Caf\u00e9 \u00e9t\U0001F600 \uFFFDx");
    EXPECT_TRUE(reg.HasKey("software\\Wow6432Node"));  // above a written key
    EXPECT_FALSE(reg.HasKey("Software\\Wow"));         // a part of a name is not a key
}

TEST(RegistryFileTest, WritesWhatItReadsBackUnchanged) {
    const std::string key = "HKEY_CLASSES_ROOT\\RFH Archive\\shell\\Open with Varno&k\\command",
                      odd = "HKEY_LOCAL_MACHINE\\Odd]Key[";
    const std::tuple<std::string, std::string, RegValue> values[] = {
        {key, "", RegValue::Text("/opt/My \"Games\"/varnok2 %1")},
        {key, "back\\slash",
         RegValue::Text("a\\b\nc\x01"
                        "2\x7f")},
        {key, "utf8", RegValue::Text("Emp\u00e9ror \U0001F600")},
        {odd, "n", RegValue::Number(-1)},
        {odd, "blob", RegValue{kRegBinary, {0, 1, 0xfe}}},
        {odd, "unterminated", RegValue{kRegText, {'a', 'b'}}},
        {odd, "expand", RegValue::Text("%TEMP%", kRegExpandText)},
    };
    RegFile reg;
    reg.CreateKey("HKEY_CLASSES_ROOT\\Empty");
    for (const auto& [k, name, value] : values) reg.SetValue(k, name, value);

    const std::string text = reg.Render(kRegistryHeader);
    const RegFile back = RegFile::Parse(text);
    EXPECT_EQ(back.Render(kRegistryHeader), text);
    EXPECT_TRUE(back.HasKey("HKEY_CLASSES_ROOT\\Empty"));
    for (const auto& [k, name, value] : values) EXPECT_EQ(*back.Value(k, name), value) << name;
}

TEST(RegistryFileTest, ReadRegValueGivesTextNumbersAndFailures) {
    TempDir dir;
    RegFile reg;
    const std::string key = "HKEY_LOCAL_MACHINE\\Software\\Test";
    reg.SetValue(key, "Text", RegValue::Text("hello"));
    reg.SetValue(key, "Ten", RegValue::Number(10));
    reg.SetValue(key, "MinusOne", RegValue::Number(-1));
    reg.SetValue(key, "Nul", RegValue{kRegBinary, {'a', 'b', 0, 'c'}});
    reg.SetValue(key, "Fits", RegValue::Text(std::string(1023, 'x')));
    reg.SetValue(key, "TooLong", RegValue::Text(std::string(1024, 'x')));
    reg.SetValue("HKEY_CLASSES_ROOT\\Software\\Test", "Text", RegValue::Text("other root"));
    const auto file = dir.write("registry.reg", reg.Render(kRegistryHeader));

    // The value read, or nothing when it cannot be.
    const struct {
        RegRoot root;
        const char *keyPath, *name;
        std::optional<std::string> value;
    } cases[] = {
        {RegRoot::LocalMachine, "SOFTWARE\\test", "text", "hello"},
        {RegRoot::LocalMachine, "Software\\Test", "Ten", "&hA"},
        {RegRoot::LocalMachine, "Software\\Test", "MinusOne", "&hFFFFFFFF"},
        {RegRoot::LocalMachine, "Software\\Test", "Nul", "ab"},
        {RegRoot::LocalMachine, "Software\\Test", "Fits", std::string(1023, 'x')},
        {RegRoot::LocalMachine, "Software\\Test", "TooLong", std::nullopt},
        {RegRoot::LocalMachine, "Software\\Test", "Missing", std::nullopt},
        {RegRoot::LocalMachine, "Software\\Nothing", "Text", std::nullopt},
        {RegRoot::ClassesRoot, "Software\\Test", "Ten", std::nullopt},
    };
    for (const auto& c : cases) {
        std::string result = "stale";
        EXPECT_EQ(ReadRegValue(file, c.root, c.keyPath, c.name, result), c.value.has_value()) << c.name;
        EXPECT_EQ(result, c.value.value_or("")) << c.name;
    }
    std::string result;
    EXPECT_FALSE(ReadRegValue(dir / "missing.reg", RegRoot::LocalMachine, "Software\\Test", "Text", result));
}

TEST(Win1252, OnlyWellFormedUtf8BecomesStoredBytes) {
    const std::pair<const char*, std::optional<std::string>> texts[] = {
        {"plain\\name.txt", "plain\\name.txt"},
        {"caf\xC3\xA9", "caf\xE9"},      // U+00E9
        {"\xE2\x82\xAC", "\x80"},        // the euro sign, in the 0x80-0x9F block
        {"\xC1\x9C", std::nullopt},      // "\" in two bytes
        {"\xC0\x80", std::nullopt},      // NUL in two bytes
        {"\xE0\x80\xAF", std::nullopt},  // "/" in three bytes
        {"\xE4\xB8\xAD", std::nullopt},  // well formed, but not in the code page
    };
    for (const auto& [utf8, bytes] : texts) EXPECT_EQ(Utf8ToWin1252(utf8), bytes) << utf8;
}

TEST(Win1252, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(Utf8ToWin1252(Win1252ToUtf8(all)), all);
}

}  // namespace
}  // namespace varnok
