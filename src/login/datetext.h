#pragma once

#include <QDate>
#include <QString>

namespace tirelon {

// Reads a date written in the local short date format (QLocale::system()).
//
// Day, month and year stand in the order the format has them, separated by '/', '-'
// or '.' whatever separator the format uses; day and month have one or two digits,
// the year two or four. A two-digit year goes to the century that puts the year
// within 50 years of today: from 50 years back up to 49 years ahead. Nothing else is
// accepted, blanks included; a text that does not read as a real date throws
// Error "'<text>' is not a valid date".
QDate readShortDate(const QString& text);

// The same with the short date format given, for example "dd/MM/yyyy" or "M/d/yy";
// only the order of the day, month and year codes is taken from it. today is the
// date the two-digit years are completed around.
QDate readShortDate(const QString& text, const QString& shortFormat,
                    const QDate& today = QDate::currentDate());

// The display format of a date field in the local short date format, with a
// two-digit year widened to four so that every year reads unambiguously.
QString shortDateDisplayFormat();

} // namespace tirelon
