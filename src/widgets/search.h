#pragma once

#include <QString>
#include <Qt>

#include <functional>

namespace tirelon {

enum class MatchMode {
    Beginning, // the cell text begins with the searched text
    Anywhere,  // the searched text occurs anywhere in the cell text
    WholeText, // the cell text equals the searched text
};

enum class SearchDirection { Forward, Backward };

struct SearchOptions {
    MatchMode match = MatchMode::Beginning;
    Qt::CaseSensitivity caseSensitivity = Qt::CaseInsensitive;
    SearchDirection direction = SearchDirection::Forward;
    // Past the last row (the first, going backward) the search goes on at the other end
    // until it is back at the start row.
    bool wrapAround = true;
};

bool textMatches(const QString& cellText, const QString& text, MatchMode match,
                 Qt::CaseSensitivity caseSensitivity);

// The first row, tested from `start` on in the search direction, whose text matches
// `text`; -1 when none does or when `text` is empty. The start row itself is tested
// first, so a caller looking for the next match passes the row after the current one.
// When wrapping around, a start outside the rows begins at the first row going forward
// and at the last row going backward; otherwise only the rows from the start to the end
// in the search direction are tested.
int findRow(int rowCount, const std::function<QString(int row)>& textOfRow, int start,
            const QString& text, const SearchOptions& options = {});

} // namespace tirelon
