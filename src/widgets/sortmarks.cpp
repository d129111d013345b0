#include "widgets/sortmarks.h"

namespace tirelon {

qsizetype SortMarks::indexOf(int column) const {
    for (qsizetype i = 0; i < keys_.size(); ++i)
        if (keys_[i].first == column)
            return i;
    return -1;
}

void SortMarks::click(int column, bool ctrl) {
    const qsizetype at = indexOf(column);
    if (!ctrl) {
        const Qt::SortOrder next = (at >= 0 && keys_[at].second == Qt::AscendingOrder)
                                       ? Qt::DescendingOrder
                                       : Qt::AscendingOrder;
        keys_ = {{column, next}};
        return;
    }
    if (at < 0)
        keys_.append({column, Qt::AscendingOrder});
    else if (keys_[at].second == Qt::AscendingOrder)
        keys_[at].second = Qt::DescendingOrder;
    else
        keys_.removeAt(at);
}

std::optional<Qt::SortOrder> SortMarks::mark(int column) const {
    const qsizetype at = indexOf(column);
    if (at < 0)
        return std::nullopt;
    return keys_[at].second;
}

int SortMarks::position(int column) const {
    return int(indexOf(column) + 1);
}

void SortMarks::dropColumnsFrom(int columnCount) {
    keys_.removeIf([columnCount](const auto& key) { return key.first >= columnCount; });
}

} // namespace tirelon
