#include <gtest/gtest.h>

#include "platform/Registry.h"
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
"Quoted"="say \"hi\"\tthere"
"Accents"="Caf\xe9 \x00e9t\xd83d\xde00 \xd800x"
"Octal"="a\033b\0012"
"Blob"=hex:01,02,\
  0a,ff
"Expand"=str(2):"%SystemRoot%\\system32"
"Wide"=hex(7):41,00,00,00

[Software\\Odd\]Name\\Key] 1700000001
"v"="1"
)";

TEST(RegistryFileTest, ReadsWhatWineWrites) {
    const RegFile reg = RegFile::Parse(kSystemReg);
    const std::string key = "Software\\Wow6432Node\\Westwood\\Emperor";

    // Key paths and value names without regard to letter case, as the registry has them.
    const RegValue* path = reg.Value("software\\WOW6432NODE\\westwood\\EMPEROR", "installpath");
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(path->kind, kRegText);
    EXPECT_EQ(TextOf(*path), "C:\\Westwood\\Emperor\\Emperor.exe");
    EXPECT_EQ(path->data.back(), 0);

    EXPECT_EQ(*reg.Value(key, "Language"), RegValue::Number(10));
    EXPECT_EQ(TextOf(*reg.Value(key, "")), "default text");
    EXPECT_EQ(TextOf(*reg.Value(key, "Quoted")), "say \"hi\"\tthere");
    // \x is one UTF-16 unit of up to four digits: a surrogate pair is one
    // character, a lone surrogate a replacement character.
    EXPECT_EQ(TextOf(*reg.Value(key, "Accents")), "Caf\u00e9 \u00e9t\U0001F600 \uFFFDx");
    // Octal takes at most three digits.
    EXPECT_EQ(reg.Value(key, "Octal")->data, (std::vector<std::uint8_t>{'a', 0x1b, 'b', 0x01, '2', 0}));
    EXPECT_EQ(reg.Value(key, "Blob")->data, (std::vector<std::uint8_t>{1, 2, 0x0a, 0xff}));
    EXPECT_EQ(reg.Value(key, "Blob")->kind, kRegBinary);
    EXPECT_EQ(reg.Value(key, "Expand")->kind, kRegExpandText);
    EXPECT_EQ(TextOf(*reg.Value(key, "Expand")), "%SystemRoot%\\system32");
    EXPECT_EQ(reg.Value(key, "Wide")->kind, kRegMultiText);
    EXPECT_EQ(reg.Value(key, "Missing"), nullptr);

    EXPECT_NE(reg.Value("Software\\Odd]Name\\Key", "v"), nullptr);
    EXPECT_TRUE(reg.HasKey("Software\\Wow6432Node"));  // above a written key
    EXPECT_TRUE(reg.HasKey("software"));
    EXPECT_FALSE(reg.HasKey("Software\\Wow"));  // a part of a name is not a key
    EXPECT_FALSE(reg.HasKey("Software\\Westwood"));
}

TEST(RegistryFileTest, SkipsWhatItCannotReadAndKeepsTheRest) {
    const RegFile reg = RegFile::Parse(
        "\"Orphan\"=\"before any key\"\r\n"
        "[Good]\r\n"
        "\"Open\"=\"never closed\r\n"
        "\"BadNumber\"=dword:xyz\r\n"
        "\"TooLong\"=dword:123456789\r\n"
        "\"OddHex\"=hex:1,2\r\n"
        "\"NoEquals\" \"x\"\r\n"
        "[Unclosed\\\\Key\r\n"
        "\"Lost\"=\"1\"\r\n"
        "\"After\"=\"still here\"\r\n");
    EXPECT_FALSE(reg.HasKey("Unclosed\\Key"));
    for (const char* name : {"Open", "BadNumber", "TooLong", "OddHex", "NoEquals", "Lost", "Orphan"}) {
        EXPECT_EQ(reg.Value("Good", name), nullptr) << name;
    }
    // A broken section header ends the key before it: its values are not
    // given to the wrong key, and what follows belongs to no key.
    EXPECT_EQ(reg.Value("Good", "After"), nullptr);
    EXPECT_TRUE(reg.HasKey("Good"));
}

TEST(RegistryFileTest, WritesWhatItReadsBackUnchanged) {
    RegFile reg;
    reg.CreateKey("HKEY_CLASSES_ROOT\\Empty");
    const std::string key = "HKEY_CLASSES_ROOT\\RFH Archive\\shell\\Open with Varno&k\\command";
    reg.SetValue(key, "", RegValue::Text("/opt/My \"Games\"/varnok2 %1"));
    reg.SetValue(key, "back\\slash", RegValue::Text("a\\b\nc\x01" "2\x7f"));
    reg.SetValue(key, "utf8", RegValue::Text("Emp\u00e9ror \U0001F600"));
    reg.SetValue("HKEY_LOCAL_MACHINE\\Odd]Key[", "n", RegValue::Number(-1));
    reg.SetValue("HKEY_LOCAL_MACHINE\\Odd]Key[", "blob", RegValue{kRegBinary, {0, 1, 0xfe}});
    reg.SetValue("HKEY_LOCAL_MACHINE\\Odd]Key[", "unterminated", RegValue{kRegText, {'a', 'b'}});
    reg.SetValue("HKEY_LOCAL_MACHINE\\Odd]Key[", "expand", RegValue::Text("%TEMP%", kRegExpandText));

    const std::string text = reg.Render(kRegistryHeader);
    const RegFile back = RegFile::Parse(text);
    EXPECT_EQ(back.Render(kRegistryHeader), text);
    EXPECT_TRUE(back.HasKey("HKEY_CLASSES_ROOT\\Empty"));
    EXPECT_EQ(*back.Value(key, ""), RegValue::Text("/opt/My \"Games\"/varnok2 %1"));
    EXPECT_EQ(*back.Value(key, "BACK\\SLASH"), RegValue::Text("a\\b\nc\x01" "2\x7f"));
    EXPECT_EQ(*back.Value(key, "utf8"), RegValue::Text("Emp\u00e9ror \U0001F600"));
    EXPECT_EQ(*back.Value("HKEY_LOCAL_MACHINE\\Odd]Key[", "n"), RegValue::Number(-1));
    EXPECT_EQ(*back.Value("HKEY_LOCAL_MACHINE\\Odd]Key[", "blob"), (RegValue{kRegBinary, {0, 1, 0xfe}}));
    EXPECT_EQ(*back.Value("HKEY_LOCAL_MACHINE\\Odd]Key[", "unterminated"), (RegValue{kRegText, {'a', 'b'}}));
    EXPECT_EQ(*back.Value("HKEY_LOCAL_MACHINE\\Odd]Key[", "expand"), RegValue::Text("%TEMP%", kRegExpandText));
}

TEST(RegistryFileTest, ReplacesValuesInPlaceIgnoringCase) {
    RegFile reg;
    reg.SetValue("K", "First", RegValue::Text("1"));
    reg.SetValue("K", "Second", RegValue::Text("2"));
    reg.SetValue("k", "FIRST", RegValue::Text("one"));
    reg.CreateKey("K");
    EXPECT_EQ(reg.Render("h"), "h\n\n[K]\n\"First\"=\"one\"\n\"Second\"=\"2\"\n");
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

    std::string result = "stale";
    EXPECT_TRUE(ReadRegValue(file, RegRoot::LocalMachine, "SOFTWARE\\test", "text", result));
    EXPECT_EQ(result, "hello");
    EXPECT_TRUE(ReadRegValue(file, RegRoot::LocalMachine, "Software\\Test", "Ten", result));
    EXPECT_EQ(result, "&hA");
    EXPECT_TRUE(ReadRegValue(file, RegRoot::LocalMachine, "Software\\Test", "MinusOne", result));
    EXPECT_EQ(result, "&hFFFFFFFF");
    EXPECT_TRUE(ReadRegValue(file, RegRoot::LocalMachine, "Software\\Test", "Nul", result));
    EXPECT_EQ(result, "ab");
    EXPECT_TRUE(ReadRegValue(file, RegRoot::LocalMachine, "Software\\Test", "Fits", result));
    EXPECT_EQ(result.size(), 1023u);

    for (const auto& [root, keyPath, name] : {std::tuple{RegRoot::LocalMachine, "Software\\Test", "TooLong"},
                                              std::tuple{RegRoot::LocalMachine, "Software\\Test", "Missing"},
                                              std::tuple{RegRoot::LocalMachine, "Software\\Nothing", "Text"},
                                              std::tuple{RegRoot::ClassesRoot, "Software\\Test", "Ten"}}) {
        result = "stale";
        EXPECT_FALSE(ReadRegValue(file, root, keyPath, name, result)) << keyPath << " " << name;
        EXPECT_EQ(result, "");
    }
    EXPECT_FALSE(ReadRegValue(dir / "missing.reg", RegRoot::LocalMachine, "Software\\Test", "Text", result));
}

}  // namespace
}  // namespace varnok
