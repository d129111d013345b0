#include "login/datetext.h"

#include "platform/error.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <array>

namespace tirelon {

namespace {

enum class Part { Day, Month, Year };

// The order of day, month and year in a date format: by the first letter of each
// code, day-month-year when the format names none of them clearly.
std::array<Part, 3> partOrder(const QString& format) {
    struct Found {
        Part part;
        qsizetype at;
    };
    std::array<Found, 3> found{{{Part::Day, format.indexOf(u'd')},
                                {Part::Month, format.indexOf(u'M')},
                                {Part::Year, format.indexOf(u'y')}}};
    for (const Found& f : found) {
        if (f.at < 0)
            return {Part::Day, Part::Month, Part::Year};
    }
    std::sort(found.begin(), found.end(),
              [](const Found& a, const Found& b) { return a.at < b.at; });
    return {found[0].part, found[1].part, found[2].part};
}

int completeYear(int twoDigits, const QDate& today) {
    const int current = today.year();
    int year = current - current % 100 + twoDigits;
    if (year > current + 49)
        year -= 100;
    else if (year < current - 50)
        year += 100;
    return year;
}

} // namespace

QDate readShortDate(const QString& text, const QString& shortFormat, const QDate& today) {
    static const QRegularExpression pattern(
        QStringLiteral("^([0-9]{1,4})[/.-]([0-9]{1,4})[/.-]([0-9]{1,4})$"));
    auto invalid = [&] { return Error(u'\'' + text + QStringLiteral("' is not a valid date")); };

    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        throw invalid();
    const std::array<Part, 3> order = partOrder(shortFormat);
    int day = 0, month = 0, year = 0;
    for (int i = 0; i < 3; ++i) {
        const QString digits = match.captured(i + 1);
        const int value = digits.toInt();
        switch (order[static_cast<std::size_t>(i)]) {
        case Part::Day:
            if (digits.size() > 2)
                throw invalid();
            day = value;
            break;
        case Part::Month:
            if (digits.size() > 2)
                throw invalid();
            month = value;
            break;
        case Part::Year:
            if (digits.size() == 2)
                year = completeYear(value, today);
            else if (digits.size() == 4)
                year = value;
            else
                throw invalid();
            break;
        }
    }
    const QDate date(year, month, day);
    if (!date.isValid())
        throw invalid();
    return date;
}

QDate readShortDate(const QString& text) {
    return readShortDate(text, QLocale::system().dateFormat(QLocale::ShortFormat));
}

QString shortDateDisplayFormat() {
    QString format = QLocale::system().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QStringLiteral("yyyy")))
        format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return format;
}

} // namespace tirelon
