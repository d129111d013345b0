#include "widgets/picturebutton.h"

#include "platform/exceptiondoor.h"
#include "widgets/icons.h"

#include <QStyleOptionToolButton>
#include <QStylePainter>

namespace tirelon {

PictureButton::PictureButton(const QString& caption, const QIcon& picture, QSize size,
                             Arrangement arrangement, QWidget* parent)
    : QToolButton(parent), arrangement_(arrangement) {
    setText(caption);
    setIcon(picture);
    setIconSize(arrangement == Arrangement::PictureAbove ? icons::kButtonPictureSize
                                                         : icons::kSmallIconSize);
    setToolButtonStyle(arrangement == Arrangement::PictureAbove ? Qt::ToolButtonTextUnderIcon
                                                                : Qt::ToolButtonTextBesideIcon);
    setAutoRaise(true);
    setFocusPolicy(Qt::NoFocus);
    setFont(captionFont(font()));
    setFixedSize(size);
}

QFont PictureButton::captionFont(const QFont& base) {
    QFont font = base;
    font.setFamilies({QStringLiteral("Arial Narrow"), QStringLiteral("Liberation Sans Narrow"),
                      QStringLiteral("Nimbus Sans Narrow"), QStringLiteral("Arial"),
                      QStringLiteral("Liberation Sans")});
    return font;
}

QFont PictureButton::fittingFont(const QFont& font, const QString& caption, int width) {
    // The design sizes leave little room; a caption wider than its button is drawn in a
    // smaller size of the same face rather than cut off.
    QFont fitting = font;
    constexpr qreal kSmallest = 6.0;
    while (QFontMetrics(fitting).horizontalAdvance(caption) > width &&
           fitting.pointSizeF() > kSmallest)
        fitting.setPointSizeF(qMax(kSmallest, fitting.pointSizeF() - 0.5));
    return fitting;
}

QSize PictureButton::sizeHint() const {
    return size();
}

QSize PictureButton::minimumSizeHint() const {
    return minimumSize();
}

void PictureButton::paintEvent(QPaintEvent*) {
    guarded(this, [&] {
        QStylePainter painter(this);
        // The style draws the flat panel (raised under the mouse, sunken when pressed);
        // picture and caption are placed here.
        QStyleOptionToolButton option;
        initStyleOption(&option);
        const QStyle::State state = option.state;
        option.text.clear();
        option.icon = QIcon();
        painter.drawComplexControl(QStyle::CC_ToolButton, option);

        QRect area = rect().adjusted(1, 1, -1, -1);
        if (state & QStyle::State_Sunken)
            area.translate(1, 1);
        const QIcon::Mode mode = !isEnabled()                        ? QIcon::Disabled
                                 : (state & QStyle::State_MouseOver) ? QIcon::Active
                                                                     : QIcon::Normal;
        const QPixmap pixmap = icon().pixmap(iconSize(), devicePixelRatioF(), mode);
        const QSize picture = pixmap.isNull() ? QSize() : iconSize();
        // One pixel stays free at either end of the caption.
        const int captionRoom = arrangement_ == Arrangement::PictureAbove
                                    ? area.width() - 2
                                    : area.width() - 2 - 4 - picture.width();
        painter.setFont(fittingFont(font(), text(), captionRoom));
        const QFontMetrics metrics = painter.fontMetrics();

        QRect caption;
        QPoint picturePlace;
        if (arrangement_ == Arrangement::PictureAbove) {
            const int gap = picture.isEmpty() ? 0 : 2;
            const int height = picture.height() + gap + metrics.height();
            const int top = area.top() + (area.height() - height) / 2;
            picturePlace = QPoint(area.left() + (area.width() - picture.width()) / 2, top);
            caption =
                QRect(area.left(), top + picture.height() + gap, area.width(), metrics.height());
        } else {
            const int gap = picture.isEmpty() ? 0 : 4;
            const int textWidth = metrics.horizontalAdvance(text());
            const int width = textWidth + gap + picture.width();
            const int left = area.left() + (area.width() - width) / 2;
            caption = QRect(left, area.top(), textWidth, area.height());
            picturePlace =
                QPoint(left + textWidth + gap, area.top() + (area.height() - picture.height()) / 2);
        }
        if (!pixmap.isNull())
            painter.drawPixmap(picturePlace, pixmap);
        painter.drawItemText(caption, Qt::AlignCenter | Qt::TextSingleLine, palette(), isEnabled(),
                             text(), QPalette::ButtonText);
    });
}

} // namespace tirelon
