#include "widgets/icons.h"
#include "widgets/picturebutton.h"

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <ostream>

#include <functional>

namespace tirelon {
namespace {

bool isRed(QRgb pixel) {
    return qAlpha(pixel) > 200 && qRed(pixel) > 150 && qGreen(pixel) < 90 && qBlue(pixel) < 90;
}

// The smallest rectangle holding every red pixel of the image.
QRect redArea(const QImage& image) {
    QRect area;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (isRed(image.pixel(x, y)))
                area |= QRect(x, y, 1, 1);
    return area;
}

TEST(PictureButton, ClickingItLeavesTheFocusWhereItWas) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* field = new QLineEdit(&window);
    auto* button = new PictureButton("F5: Exportar", icons::exportPhotos(), {65, 50},
                                     PictureButton::Arrangement::PictureAbove, &window);
    layout->addWidget(field);
    layout->addWidget(button);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    field->setFocus();
    QSignalSpy clicks(button, &QToolButton::clicked);

    QTest::mouseClick(button, Qt::LeftButton);

    EXPECT_EQ(clicks.count(), 1);
    EXPECT_TRUE(field->hasFocus());
    EXPECT_EQ(button->size(), QSize(65, 50));
}

TEST(PictureButton, PictureAboveTheCaption) {
    PictureButton button("Esc: Cancelar", icons::cancel(), {65, 50});
    const QImage image = button.grab().toImage();
    const QRect red = redArea(image);
    ASSERT_FALSE(red.isNull());
    // The cross sits in the upper part, the caption's line below it stays free of red.
    EXPECT_LT(red.bottom(), image.height() - button.fontMetrics().height());
    EXPECT_NEAR(red.center().x(), image.width() / 2.0, 2.0);
}

TEST(PictureButton, SmallIconToTheRightOfTheCaption) {
    PictureButton button("Salir", icons::redCross16(), {57, 33},
                         PictureButton::Arrangement::IconRight);
    const QImage image = button.grab().toImage();
    const QRect red = redArea(image);
    ASSERT_FALSE(red.isNull());
    const int captionWidth = button.fontMetrics().horizontalAdvance("Salir");
    const int groupLeft = (image.width() - (captionWidth + 4 + 16)) / 2;
    EXPECT_GE(red.left(), groupLeft + captionWidth);
    EXPECT_LE(red.height(), 16);
}

bool isInk(QRgb pixel) {
    return qAlpha(pixel) > 0 && qGray(pixel) < 100;
}

class LongCaptions : public ::testing::TestWithParam<const char*> {};

// Text pixels reaching the edge of the button's inner area mean the caption was cut off.
TEST_P(LongCaptions, FitInsideTheDesignWidth) {
    PictureButton button(QString::fromUtf8(GetParam()), icons::settings(), {65, 50});
    QFont large = button.font();
    large.setPointSize(12); // wider than the design allows in any narrow face
    button.setFont(large);
    const QImage image = button.grab().toImage();
    const int captionTop = image.height() - button.fontMetrics().height() - 4;
    int left = image.width(), right = -1;
    for (int y = captionTop; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (isInk(image.pixel(x, y))) {
                left = qMin(left, x);
                right = qMax(right, x);
            }
    ASSERT_GE(right, 0) << "no caption drawn";
    EXPECT_GE(left, 2);
    EXPECT_LE(right, image.width() - 3);
}

INSTANTIATE_TEST_SUITE_P(Captions, LongCaptions,
                         ::testing::Values("F9: Configurar", "Esc: Cancelar", "F5: Exportar"),
                         [](const auto& info) {
                             return QString::fromUtf8(info.param)
                                 .remove(QRegularExpression("[^A-Za-z0-9]"))
                                 .toStdString();
                         });

TEST(PictureButton, CaptionFontIsNarrowArialOrAFallback) {
    const QFont font = PictureButton::captionFont(QFont());
    ASSERT_FALSE(font.families().isEmpty());
    EXPECT_EQ(font.families().first(), "Arial Narrow");
    EXPECT_GE(font.families().size(), 2);
}

struct IconCase {
    const char* name;
    std::function<QIcon()> make;
    QSize size;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const IconCase& c, std::ostream* os) {
    *os << c.name;
}

class DrawnIcons : public ::testing::TestWithParam<IconCase> {};

TEST_P(DrawnIcons, HaveCrispPicturesAtOneAndTwoTimesTheirSize) {
    const IconCase& c = GetParam();
    const QIcon icon = c.make();
    for (const qreal ratio : {1.0, 2.0}) {
        const QPixmap pixmap = icon.pixmap(c.size, ratio);
        ASSERT_FALSE(pixmap.isNull());
        EXPECT_EQ(pixmap.size(), c.size * ratio);
        EXPECT_EQ(pixmap.devicePixelRatio(), ratio);
        const QImage image = pixmap.toImage();
        int opaque = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                opaque += qAlpha(image.pixel(x, y)) == 255;
        // Something is drawn, and the picture does not just fill its box.
        EXPECT_GT(opaque, image.width() * image.height() / 20);
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    All, DrawnIcons,
    ::testing::Values(IconCase{"ExportPhotos", icons::exportPhotos, icons::kButtonPictureSize},
                      IconCase{"Settings", icons::settings, icons::kButtonPictureSize},
                      IconCase{"Cancel", icons::cancel, icons::kButtonPictureSize},
                      IconCase{"Save", icons::save, icons::kButtonPictureSize},
                      IconCase{"ExitDoor", icons::exitDoor, icons::kButtonPictureSize},
                      IconCase{"RedCross16", icons::redCross16, icons::kSmallIconSize},
                      IconCase{"NavigatorFirst", icons::navigatorFirst, icons::kNavigatorIconSize},
                      IconCase{"NavigatorLast", icons::navigatorLast, icons::kNavigatorIconSize}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace tirelon
