#pragma once

#include "widgets/dbgrideh.h"

#include <QStandardItemModel>
#include <QStringList>

#include <memory>

namespace tirelon::test {

// A two-column model ("Codigo", "Descripción") whose rows remember their place in the
// order they were given, as a query result does.
std::unique_ptr<QStandardItemModel> makeArticleModel(const QList<QStringList>& rows);

// Sorts the model's rows stably by the keys; rows that compare equal, and all rows
// when the keys are empty, keep the order in which they were given.
void sortArticleModel(QStandardItemModel& model, const SortKeys& keys);

// The texts of one column, top to bottom.
QStringList columnTexts(const QAbstractItemModel& model, int column);

// Connects the grid's sort requests to sortArticleModel.
void sortOnRequest(DBGridEh& grid, QStandardItemModel& model);

} // namespace tirelon::test
