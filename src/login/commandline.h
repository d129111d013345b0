#pragma once

#include <QString>
#include <QStringList>

namespace tirelon {

// The positional parameters of the program: the arguments with every empty one
// dropped, so an empty argument ("") takes no position and those after it move
// down by one. Position 0 stays the program itself.
QStringList unattendedParameters(const QStringList& arguments);

// Splits a raw command line the way the program counts its parameters: blanks and
// control characters (codes 1 to 32) separate them, a stretch in double quotes may
// hold blanks, the quotes themselves are removed, and a parameter that ends up
// empty ("") is skipped. The program name is the first item.
QStringList splitCommandLine(const QString& commandLine);

// Parameter <position> of the running program (0 is the program); empty past the
// last one. On Windows the raw command line is split with splitCommandLine; elsewhere
// the arguments the system passed are taken, with the empty ones dropped.
QString parameter(int position);

} // namespace tirelon
