#include "widgets/bevelpanel.h"

#include "platform/exceptiondoor.h"

#include <QPainter>
#include <qdrawutil.h>

namespace tirelon {

BevelPanel::BevelPanel(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(true);
    // Room for the two bevels around the caption.
    setContentsMargins(2, 2, 2, 2);
}

void BevelPanel::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    guarded(this, [&] {
        QPainter painter(this);
        const QRect outer = rect();
        qDrawShadePanel(&painter, outer, palette(), false, 1);
        qDrawShadePanel(&painter, outer.adjusted(1, 1, -1, -1), palette(), true, 1);
    });
}

} // namespace tirelon
