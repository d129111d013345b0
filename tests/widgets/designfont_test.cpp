#include "widgets/designfont.h"

#include <QApplication>
#include <QLabel>

#include <gtest/gtest.h>

namespace tirelon {
namespace {

// The face the windows were designed with is missing here, so a window must show
// the application's face and weight at the design size, whichever font the
// application has at the moment the window is built.
TEST(DesignFont, IsTheApplicationFontAtTheDesignSize) {
    const QFont applicationFonts[] = {
        QFont("DejaVu Serif", 13, QFont::Bold),
        QFont("DejaVu Sans Mono", 6),
    };
    const QFont previous = QApplication::font();
    for (const QFont& application : applicationFonts) {
        SCOPED_TRACE(application.toString().toStdString());
        QApplication::setFont(application);

        QWidget window;
        window.setFont(designFont());
        QLabel label("Productos tienda", &window);

        const QFont shown = label.font();
        EXPECT_EQ(shown.family(), application.family());
        EXPECT_EQ(shown.weight(), application.weight());
        EXPECT_EQ(shown.pointSize(), 8); // the windows were laid out for 8 pt
    }
    QApplication::setFont(previous);
}

} // namespace
} // namespace tirelon
