// The rules of the file list's order and filter, row against row.
#include <gtest/gtest.h>

#include "shell/FileListProxy.h"

namespace varnok::test {
namespace {

ListRow Row(const std::string& name, const std::string& path = "", std::uint32_t packed = 0, std::uint32_t original = 0,
            const std::string& ratio = "", const std::string& number = "1") {
    ListRow row;
    row[Column::Filename] = name;
    row[Column::Path] = path;
    row[Column::Packed] = packed == original ? "No" : "Yes";
    row[Column::Ratio] = ratio;
    row[Column::FileNr] = number;
    row.packedSize = packed;
    row.originalSize = original;
    return row;
}

struct OrderCase {
    const char* rule;
    Column column;
    ListRow first, second;  // first comes before second
};

TEST(ListOrder, EachColumnOrdersByWhatItMeans) {
    const OrderCase cases[] = {
        {"names ignore letter case", Column::Filename, Row("abc.tga"), Row("ABD.tga")},
        {"a shorter name that starts a longer one comes first", Column::Filename, Row("UNIT"), Row("unit.ini")},
        {"paths ignore letter case", Column::Path, Row("x", "data\\"), Row("x", "DATA\\UI\\")},
        {"Packed as its text", Column::Packed, Row("x", "", 5, 5), Row("x", "", 5, 9)},
        {"packed sizes as bytes, not as \"1.30 KB\" against \"532 bytes\"", Column::PackedSize, Row("x", "", 532, 0),
         Row("x", "", 1331, 0)},
        {"sizes read unsigned", Column::PackedSize, Row("x", "", 0x7FFFFFFF, 0), Row("x", "", 0x80000000u, 0)},
        {"ratios as numbers", Column::Ratio, Row("x", "", 0, 0, "9%"), Row("x", "", 0, 0, "45%")},
        {"a grown entry's negative ratio", Column::Ratio, Row("x", "", 0, 0, "-3%"), Row("x", "", 0, 0, "0%")},
        {"an empty entry's empty ratio first", Column::Ratio, Row("x", "", 0, 0, ""), Row("x", "", 0, 0, "-3%")},
        {"entry numbers as numbers", Column::FileNr, Row("x", "", 0, 0, "", "9"), Row("x", "", 0, 0, "", "10")},
    };
    for (const OrderCase& c : cases) {
        EXPECT_TRUE(RowLess(c.first, c.second, c.column)) << c.rule;
        EXPECT_FALSE(RowLess(c.second, c.first, c.column)) << c.rule;
    }
    EXPECT_FALSE(RowLess(Row("Same"), Row("sAME"), Column::Filename)) << "equal keys: neither comes first";
}

struct FilterCase {
    const char* text;
    const char* name;
    const char* path;
    bool kept;
};

TEST(ListFilter, PlainTextIsContainedAndWildcardsMatchWholeNamesOrPaths) {
    const FilterCase cases[] = {
        {"", "anything.bin", "", true},
        {"tex", "UNITTEX.TGA", "", true},         // inside the name, any case
        {"ui\\", "a.tga", "DATA\\UI\\", true},    // inside the path
        {"i\\a.t", "a.tga", "DATA\\UI\\", true},  // across the path and the name
        {"*.tga", "Unit.TGA", "DATA\\", true},    // the whole name
        {"*.tg", "Unit.tga", "", false},          // ... not a part of it
        {"u?it.tga", "Unit.tga", "", true},       // `?` is one character
        {"u?it.tga", "Uit.tga", "", false},
        {"data\\*", "x.bin", "DATA\\UI\\", true},          // the whole path
        {"*\\ui\\*.ini", "menu.ini", "DATA\\UI\\", true},  // path and name together
        {"*\\ui\\*.ini", "menu.ini", "DATA\\UIX\\", false},
        {"*a*b*", "xaxxbx", "", true},  // a star gives back what it took
        {"*a*b", "xaxbxx", "", false},
    };
    for (const FilterCase& c : cases) {
        EXPECT_EQ(ListFilter(QString::fromUtf8(c.text)).Matches(Row(c.name, c.path)), c.kept)
            << '"' << c.text << "\" over " << c.path << c.name;
    }
    EXPECT_TRUE(ListFilter().IsEmpty());
    EXPECT_FALSE(ListFilter(QStringLiteral("*")).IsEmpty());
}

}  // namespace
}  // namespace varnok::test
