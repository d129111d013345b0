#pragma once

#include <QToolButton>

namespace tirelon {

// A flat button of a fixed size with a picture and a caption, in a narrow font, that
// never takes the focus: clicking it leaves the focus in the field where it was.
class PictureButton : public QToolButton {
    Q_OBJECT
public:
    enum class Arrangement {
        PictureAbove, // the picture centred above the caption
        IconRight,    // caption and a small icon to its right, centred together
    };

    // The icon is drawn at its design size: the button picture size for PictureAbove,
    // the small icon size for IconRight (see icons.h); setIconSize() changes it.
    PictureButton(const QString& caption, const QIcon& picture, QSize size,
                  Arrangement arrangement = Arrangement::PictureAbove, QWidget* parent = nullptr);

    Arrangement arrangement() const { return arrangement_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The caption font: "Arial Narrow" or the nearest narrow face the system has.
    static QFont captionFont(const QFont& base);
    // The font, made smaller if need be (down to 6 points), in which the caption fits the width.
    static QFont fittingFont(const QFont& font, const QString& caption, int width);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Arrangement arrangement_;
};

} // namespace tirelon
