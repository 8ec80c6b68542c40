#include "engine/dialogs/frmLogo.h"
#include "tests/shell/dialogs/DialogTestSupport.h"

namespace varnok::test {
namespace {

TEST(LogoWindow, ShowsOnTopAtThePointAndAClickClosesIt) {
    QWidget owner;
    QPointer<QWidget> logo = frmLogo::ShowBeside(&owner, QPoint(200, 140));
    EXPECT_TRUE(logo->isVisible() && logo->isWindow());
    EXPECT_EQ(logo->geometry(), QRect(200, 140, frmLogo::kWidth, 315));
    EXPECT_TRUE(logo->windowFlags().testFlags(Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint | Qt::Tool));
    QTest::mouseClick(logo, Qt::LeftButton, {}, QPoint(40, 100));
    EXPECT_TRUE(Gone(logo));
}

}  // namespace
}  // namespace varnok::test
