// Pictures of the widgets as the user sees them, written to the build tree so anyone can
// look at them (tests/widgets/screenshots/).
#include "gridfixture.h"

#include "widgets/dbgrideh.h"
#include "widgets/dbnavigator.h"
#include "widgets/finddialog.h"
#include "widgets/icons.h"
#include "widgets/picturebutton.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QTableView>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace tirelon {
namespace {

QString screenshotPath(const QString& name) {
    QDir dir(QStringLiteral(TIRELON_SCREENSHOT_DIR));
    dir.mkpath(QStringLiteral("."));
    return dir.filePath(name);
}

bool isUniform(const QImage& image) {
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != first)
                return false;
    return true;
}

TEST(Screenshots, GridWithTwoSortMarksAndNavigator) {
    auto model = test::makeArticleModel(
        {{"B2", "Silla"}, {"A1", "Mesa"}, {"C3", "Armario"}, {"A1", "Lámpara"}, {"B1", "Mesa"}});
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* grid = new DBGridEh(&window);
    auto* navigator = new DBNavigator(&window);
    layout->addWidget(grid);
    layout->addWidget(navigator);
    grid->setModel(model.get());
    navigator->setGrid(grid);
    test::sortOnRequest(*grid, *model);
    window.resize(420, 240);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    QHeaderView* titles = grid->view()->horizontalHeader();
    for (const int column : {1, 0, 0}) {
        const int x = titles->sectionViewportPosition(column) + titles->sectionSize(column) / 2;
        QTest::mouseClick(titles->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          QPoint(x, titles->height() / 2));
    }
    QTest::keyRelease(grid->view(), Qt::Key_Control);
    grid->setCurrentRow(2);
    QTest::keyClick(grid->view(), Qt::Key_F, Qt::ControlModifier);
    QTest::keyClicks(grid->view(), "a");

    const QImage image = window.grab().toImage();
    EXPECT_FALSE(isUniform(image));
    EXPECT_TRUE(image.save(screenshotPath("grid.png")));
}

TEST(Screenshots, PictureButtons) {
    QWidget window;
    auto* layout = new QHBoxLayout(&window);
    layout->addWidget(new PictureButton("F5: Exportar", icons::exportPhotos(), {65, 50},
                                        PictureButton::Arrangement::PictureAbove, &window));
    layout->addWidget(new PictureButton("F9: Configurar", icons::settings(), {65, 50},
                                        PictureButton::Arrangement::PictureAbove, &window));
    layout->addWidget(new PictureButton("Esc: Cancelar", icons::cancel(), {65, 50},
                                        PictureButton::Arrangement::PictureAbove, &window));
    layout->addWidget(new PictureButton("F2: Grabar", icons::save(), {65, 50},
                                        PictureButton::Arrangement::PictureAbove, &window));
    layout->addWidget(new PictureButton("Esc: Salir", icons::exitDoor(), {65, 50},
                                        PictureButton::Arrangement::PictureAbove, &window));
    layout->addWidget(new PictureButton("Salir", icons::redCross16(), {57, 33},
                                        PictureButton::Arrangement::IconRight, &window));
    auto* disabled = new PictureButton("F5: Exportar", icons::exportPhotos(), {65, 50},
                                       PictureButton::Arrangement::PictureAbove, &window);
    disabled->setEnabled(false);
    layout->addWidget(disabled);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    const QImage image = window.grab().toImage();
    EXPECT_FALSE(isUniform(image));
    EXPECT_TRUE(image.save(screenshotPath("picturebuttons.png")));

    QPixmap twice(window.size() * 2);
    twice.setDevicePixelRatio(2);
    twice.fill(Qt::transparent);
    window.render(&twice);
    EXPECT_TRUE(twice.toImage().save(screenshotPath("picturebuttons@2x.png")));
}

TEST(Screenshots, FindDialog) {
    FindDialog dialog;
    dialog.setColumns({QStringLiteral("Codigo"), QStringLiteral("Descripción")}, 1);
    dialog.setText(QStringLiteral("mesa"));
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

    const QImage image = dialog.grab().toImage();
    EXPECT_FALSE(isUniform(image));
    EXPECT_TRUE(image.save(screenshotPath("finddialog.png")));
}

} // namespace
} // namespace tirelon
