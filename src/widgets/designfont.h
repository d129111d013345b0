#pragma once

#include <QFont>

namespace tirelon {

// The font the windows were designed with. Linux lacks it, so the windows take the
// system font at the same size instead.
inline constexpr const char* kDesignFontFamily = "MS Sans Serif";
inline constexpr int kDesignFontPointSize = 8;

// The application's font at the design size, read when called, so a window built
// after the application font changes follows it.
QFont designFont();

} // namespace tirelon
