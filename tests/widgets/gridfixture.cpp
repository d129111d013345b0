#include "gridfixture.h"

#include <algorithm>

namespace tirelon::test {

namespace {
constexpr int kQueryOrderRole = Qt::UserRole + 1;
}

std::unique_ptr<QStandardItemModel> makeArticleModel(const QList<QStringList>& rows) {
    auto model = std::make_unique<QStandardItemModel>(0, 2);
    model->setHorizontalHeaderLabels({QStringLiteral("Codigo"), QStringLiteral("Descripción")});
    for (qsizetype i = 0; i < rows.size(); ++i) {
        QList<QStandardItem*> items;
        for (const QString& text : rows[i])
            items.append(new QStandardItem(text));
        items.first()->setData(int(i), kQueryOrderRole);
        model->appendRow(items);
    }
    return model;
}

void sortArticleModel(QStandardItemModel& model, const SortKeys& keys) {
    QList<QList<QStandardItem*>> rows;
    while (model.rowCount() > 0)
        rows.append(model.takeRow(0));
    std::stable_sort(rows.begin(), rows.end(), [&](const auto& a, const auto& b) {
        for (const auto& [column, order] : keys) {
            const int c = a[column]->text().compare(b[column]->text());
            if (c != 0)
                return order == Qt::AscendingOrder ? c < 0 : c > 0;
        }
        return a[0]->data(kQueryOrderRole).toInt() < b[0]->data(kQueryOrderRole).toInt();
    });
    for (const auto& row : rows)
        model.appendRow(row);
}

QStringList columnTexts(const QAbstractItemModel& model, int column) {
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts.append(model.index(row, column).data().toString());
    return texts;
}

void sortOnRequest(DBGridEh& grid, QStandardItemModel& model) {
    QObject::connect(&grid, &DBGridEh::sortRequested, &grid,
                     [&model](const SortKeys& keys) { sortArticleModel(model, keys); });
}

} // namespace tirelon::test
