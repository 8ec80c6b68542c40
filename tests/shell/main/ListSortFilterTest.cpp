// The file list sorted and filtered: the rules row against row, and commands that keep acting
// on the entries the user sees and picks, whatever the order of the rows.
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <set>

#include "shell/FileListProxy.h"
#include "tests/shell/main/MainWindowFixture.h"

namespace varnok::test {
namespace {

class MainWindowList : public MainWindowTest {
protected:
    void SetUp() override { Start(); }

    void ClickHeader(Column column) {
        QHeaderView* header = List()->header();
        const int section = static_cast<int>(column);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(section) + 5, header->height() / 2));
    }
    int EntryAt(int viewRow) const { return window->EntryOfView(List()->model()->index(viewRow, 0)); }
    const ListRow& EntryRow(int entry) const { return window->Engine().Row(entry); }
    void SelectViewRows(int first, int last) {
        QItemSelectionModel* selection = List()->selectionModel();
        const QItemSelection rows(List()->model()->index(first, 0), List()->model()->index(last, 0));
        selection->select(rows, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        selection->setCurrentIndex(List()->model()->index(first, 0), QItemSelectionModel::NoUpdate);
        window->Engine().UpdateSelection();
    }
    QLineEdit* Box() const { return Find<QLineEdit>("txtFilter"); }
};

TEST_F(MainWindowList, SortedBySizeTheFirstRowExtractsTheLargestEntry) {
    Open("demo.rfh");
    const auto& rows = window->Engine().Rows();
    const auto largest = std::max_element(
        rows.begin(), rows.end(), [](const ListRow& a, const ListRow& b) { return a.packedSize < b.packedSize; });
    const int expected = static_cast<int>(largest - rows.begin()) + 1;
    ASSERT_NE(expected, 1) << "the archive's first entry must not already be the answer";

    ClickHeader(Column::PackedSize);
    ClickHeader(Column::PackedSize);
    ASSERT_EQ(EntryAt(0), expected);
    EXPECT_EQ(List()->model()->index(0, static_cast<int>(Column::FileNr)).data().toString().toInt(), expected)
        << "File Nr names the entry";

    SelectViewRows(0, 0);
    EXPECT_EQ(window->FocusedRow(), expected);
    const std::filesystem::path saved = tmp / "out" / "first.bin";
    std::filesystem::create_directories(saved.parent_path());
    answerDialog = [&](QDialog* dialog) {
        auto* picker = qobject_cast<QFileDialog*>(dialog);
        if (!picker) return false;
        picker->selectFile(QString::fromStdString(saved.string()));
        dialog->accept();  // QFileDialog's own accept, which takes the chosen name
        return true;
    };
    Action("mnuActionExtractFile")->trigger();
    const std::filesystem::path reference = window->Engine().ExtractEntryInto(expected, tmp / "reference");
    EXPECT_EQ(reference.filename().string(), EntryRow(expected)[Column::Filename]);
    EXPECT_EQ(ReadBytes(saved), ReadBytes(reference));

    // A drag out of the sorted list carries the same entry.
    std::unique_ptr<QMimeData> dragged(List()->model()->mimeData({List()->model()->index(0, 0)}));
    ASSERT_TRUE(dragged && dragged->urls().size() == 1);
    EXPECT_EQ(ReadBytes(dragged->urls()[0].toLocalFile().toStdString()), ReadBytes(reference));
}

TEST_F(MainWindowList, RemovingASortedSelectionRemovesTheEntriesShown) {
    Open("demo.rfh");
    ClickHeader(Column::Filename);
    ClickHeader(Column::Filename);
    const auto stored = [this](int entry) { return EntryRow(entry)[Column::Path] + EntryRow(entry)[Column::Filename]; };
    std::multiset<std::string> expected;
    for (int k = 1; k <= Rows(); ++k) expected.insert(stored(k));
    SelectViewRows(0, 2);
    for (int r = 0; r <= 2; ++r) expected.erase(expected.find(stored(EntryAt(r))));
    ASSERT_EQ(window->Engine().SelectedCount(), 3);

    answerDialog = [](QDialog* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        if (!box || !box->text().startsWith(QStringLiteral("Remove 3 entries from demo.rfh?\n\n"))) return false;
        box->button(QMessageBox::Yes)->click();
        return true;
    };
    List()->setFocus();
    QTest::keyClick(List(), Qt::Key_Delete);
    ASSERT_EQ(Rows(), 317);
    std::multiset<std::string> left;
    for (int k = 1; k <= Rows(); ++k) left.insert(stored(k));
    EXPECT_EQ(left, expected);
}

TEST_F(MainWindowList, AFilterNarrowsTheRowsTheCountAndTheSelectionCommands) {
    Open("demo.rfh");  // 80 of its 320 entries are .tga pictures, entry 2 is not one
    SelectViewRows(1, 1);

    List()->setFocus();
    QTest::keyClicks(List(), "*.tga");
    EXPECT_TRUE(Box()->isVisible());
    EXPECT_EQ(Panel(2), "80 of 320 Files");
    EXPECT_EQ(EntryAt(1), 3);
    EXPECT_FALSE(window->IsRowSelected(2)) << "a row the filter hides is deselected";
    EXPECT_EQ(window->Engine().SelectedCount(), 0);

    Action("mnuActionSelectAll")->trigger();
    EXPECT_EQ(window->Engine().SelectedCount(), 80);
    SelectViewRows(0, 0);
    Action("mnuActionInvertSelection")->trigger();
    EXPECT_EQ(window->Engine().SelectedCount(), 79);
    EXPECT_FALSE(window->IsRowSelected(1));
    EXPECT_TRUE(window->IsRowSelected(4));

    Box()->setText(QStringLiteral("Sietch@4.tga"));
    EXPECT_EQ(Panel(2), "1 of 320 Files");
    EXPECT_EQ(window->Engine().SelectedCount(), 1) << "rows still shown stay selected";
    QTest::keyClick(Box(), Qt::Key_Escape);
    EXPECT_FALSE(Box()->isVisible());
    EXPECT_EQ(Rows(), 320);
    EXPECT_EQ(window->Engine().SelectedCount(), 1) << "the rows hidden a moment ago come back unselected";

    // Find reaches past a filter.
    Action("mnuViewFilter")->trigger();
    Box()->setText(QStringLiteral("tga"));
    EXPECT_EQ(window->Engine().FindFile("spice#field7.txt", true), 7);
    EXPECT_FALSE(Action("mnuViewFilter")->isChecked()) << "the found row is shown";
    EXPECT_EQ(window->FocusedRow(), 7);
}

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
