#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>

#include "shell/plugins/PlugInMenus.h"

namespace varnok {
namespace {

TEST(PlugInMenus, EntriesFollowTheirPlaceholderByPlugInNumber) {
    std::array<QMenu, kPlugInMenuCount> menus;
    std::array<PlugInMenuArray, kPlugInMenuCount> arrays;
    for (std::size_t m = 0; m < kPlugInMenuCount; ++m) {
        arrays[m] = {&menus[m], menus[m].addAction(QStringLiteral("Nothing")), QStringLiteral("mnuSub%1_").arg(m)};
    }
    PlugInCatalog catalog;
    catalog.entries(PlugInMenu::Import) = {{1, "From &TGA"}, {3, "From BMP"}};
    catalog.entries(PlugInMenu::OpenWith) = {{51, "Viewer"}};
    std::vector<std::pair<PlugInMenu, int>> clicks;
    const PlugInMenuElements elements =
        FillPlugInMenus(arrays, catalog, [&](PlugInMenu menu, int n) { clicks.emplace_back(menu, n); });

    const auto& import = elements[static_cast<std::size_t>(PlugInMenu::Import)];
    ASSERT_EQ(import.size(), 4u);
    EXPECT_EQ(import[2], nullptr);
    EXPECT_EQ(menus[0].actions(), QList<QAction*>({arrays[0].placeholder, import[1], import[3]}));
    EXPECT_FALSE(arrays[0].placeholder->isVisible());
    EXPECT_EQ(import[1]->text(), QStringLiteral("From &TGA"));
    EXPECT_EQ(import[3]->objectName(), QStringLiteral("mnuSub0_3"));
    // A menu without entries keeps showing its placeholder.
    EXPECT_EQ(elements[1], std::vector<QAction*>({arrays[1].placeholder}));
    EXPECT_TRUE(arrays[1].placeholder->isVisible());

    const auto& viewers = elements[static_cast<std::size_t>(PlugInMenu::OpenWith)];
    ASSERT_EQ(viewers.size(), 52u);
    EXPECT_TRUE(viewers[51]->isEnabled() && viewers[51]->isVisible());
    import[3]->trigger();
    viewers[51]->trigger();
    EXPECT_EQ(clicks, (std::vector<std::pair<PlugInMenu, int>>{{PlugInMenu::Import, 3}, {PlugInMenu::OpenWith, 51}}));
}

}  // namespace
}  // namespace varnok

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
