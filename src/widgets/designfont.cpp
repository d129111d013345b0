#include "widgets/designfont.h"

#include <QApplication>

namespace tirelon {

QFont designFont() {
    QFont font = QApplication::font();
    font.setPointSize(kDesignFontPointSize);
    return font;
}

} // namespace tirelon
