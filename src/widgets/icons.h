#pragma once

#include <QIcon>
#include <QSize>

// The program's pictures, drawn in code at their design size and at twice that size
// for high-density screens, so no image files are needed.
namespace tirelon::icons {

// The size of the pictures above the captions of the window buttons.
inline constexpr QSize kButtonPictureSize{46, 32};
// The size of the small icons beside a caption.
inline constexpr QSize kSmallIconSize{16, 16};
// The size of the record navigator's arrows.
inline constexpr QSize kNavigatorIconSize{10, 10};

QIcon exportPhotos(); // a photo and an arrow coming out of a folder
QIcon settings();     // a gear
QIcon cancel();       // a large red cross
QIcon save();         // a floppy disk
QIcon exitDoor();     // an open door with an arrow leaving it
QIcon redCross16();   // a small red cross

QIcon navigatorFirst();
QIcon navigatorPrior();
QIcon navigatorNext();
QIcon navigatorLast();

} // namespace tirelon::icons
