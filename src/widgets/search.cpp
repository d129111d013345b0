#include "widgets/search.h"

namespace tirelon {

bool textMatches(const QString& cellText, const QString& text, MatchMode match,
                 Qt::CaseSensitivity caseSensitivity) {
    switch (match) {
    case MatchMode::Beginning:
        return cellText.startsWith(text, caseSensitivity);
    case MatchMode::Anywhere:
        return cellText.contains(text, caseSensitivity);
    case MatchMode::WholeText:
        return cellText.compare(text, caseSensitivity) == 0;
    }
    return false;
}

int findRow(int rowCount, const std::function<QString(int row)>& textOfRow, int start,
            const QString& text, const SearchOptions& options) {
    if (rowCount <= 0 || text.isEmpty())
        return -1;
    const bool forward = options.direction == SearchDirection::Forward;
    const int step = forward ? 1 : -1;

    int row = start;
    int tests = 0;
    if (options.wrapAround) {
        if (row < 0 || row >= rowCount)
            row = forward ? 0 : rowCount - 1;
        tests = rowCount;
    } else {
        if (forward) {
            row = qMax(row, 0);
            tests = rowCount - row;
        } else {
            row = qMin(row, rowCount - 1);
            tests = row + 1;
        }
    }

    for (; tests > 0; --tests) {
        if (textMatches(textOfRow(row), text, options.match, options.caseSensitivity))
            return row;
        row += step;
        if (row == rowCount)
            row = 0;
        else if (row < 0)
            row = rowCount - 1;
    }
    return -1;
}

} // namespace tirelon
