#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace tirelon {

// The server entries of a SERVIDORES.cfg file, in file order.
//
// Each byte is one Windows-1252 character. A line ends at CR LF, LF or a CR alone; the
// entry is the line verbatim, blanks included, and empty entries and duplicates stay.
// A last line without a line end is an entry too; a file ending in a line end gives no
// empty entry after it. An entry holds at most 255 characters: a longer line is cut to
// its first 255, and the rest up to the line end is dropped. A NUL byte ends the entry
// in the same way, since an entry is a text the database client takes NUL-terminated.
QStringList parseServerList(QByteArrayView bytes);

// The server list in installDir + "/SERVIDORES.cfg" (plain concatenation, so an empty
// directory gives "/SERVIDORES.cfg"). The file is opened for reading only and read up to
// the size it has when opened. A file that cannot be opened or read gives an empty
// list, with no message.
QStringList loadServerList(const QString& installDir);

} // namespace tirelon
