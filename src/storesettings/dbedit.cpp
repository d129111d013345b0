#include "storesettings/dbedit.h"

#include "data/recordset/clientdataset.h"
#include "platform/exceptiondoor.h"

#include <QKeyEvent>
#include <QScopedValueRollback>

namespace tirelon {

DBEdit::DBEdit(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
    // Text changed by other means than a key (the context menu's paste, an input
    // method) starts the edit too.
    connect(this, &QLineEdit::textEdited, this, [this] {
        guarded(this, [&] {
            try {
                startEditing();
            } catch (...) {
                refresh();
                throw;
            }
        });
    });
}

void DBEdit::bind(TClientDataSet* dataSet, const QString& fieldName) {
    if (dataSet_)
        disconnect(dataSet_, nullptr, this, nullptr);
    dataSet_ = dataSet;
    fieldName_ = fieldName;
    if (dataSet_) {
        const int size = dataSet_->field(fieldName_).size;
        setMaxLength(size > 0 ? size : 32767);
        auto follow = [this] { guarded(this, [&] { refresh(); }); };
        connect(dataSet_, &TClientDataSet::currentRowChanged, this, follow);
        connect(dataSet_, &TClientDataSet::stateChanged, this, follow);
        connect(dataSet_, &TClientDataSet::dataChangedInCurrentRow, this, follow);
        connect(dataSet_, &QAbstractItemModel::modelReset, this, follow);
    }
    refresh();
}

void DBEdit::refresh() {
    if (startingEdit_)
        return; // the row is entering edit with the values this edit shows
    const bool active = dataSet_ && dataSet_->active();
    setReadOnly(!active);
    const QString shown = active ? dataSet_->asString(fieldName_) : QString();
    if (text() != shown)
        setText(shown);
    setModified(false);
}

void DBEdit::reset() {
    refresh();
}

void DBEdit::startEditing() {
    if (!dataSet_)
        return;
    if (dataSet_->state() == TClientDataSet::State::Edit ||
        dataSet_->state() == TClientDataSet::State::Insert)
        return;
    QScopedValueRollback<bool> starting(startingEdit_, true);
    dataSet_->edit(); // a new row when the record set is empty
}

void DBEdit::updateRecord() {
    if (!dataSet_ || !isModified())
        return;
    startEditing();
    dataSet_->setValue(fieldName_, text());
    setModified(false);
}

bool DBEdit::modifiesText(QKeyEvent* event) {
    if (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete)
        return true;
    for (const auto key :
         {QKeySequence::Paste, QKeySequence::Cut, QKeySequence::Undo, QKeySequence::Redo,
          QKeySequence::DeleteEndOfWord, QKeySequence::DeleteStartOfWord,
          QKeySequence::DeleteEndOfLine, QKeySequence::DeleteCompleteLine})
        if (event->matches(key))
            return true;
    if (event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))
        return false;
    const QString typed = event->text();
    return !typed.isEmpty() && typed.at(0).isPrint();
}

void DBEdit::keyPressEvent(QKeyEvent* event) {
    guarded(this, [&] {
        if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
            if (isModified()) {
                refresh();
                selectAll();
                event->accept();
            } else {
                event->ignore(); // the window's Esc
            }
            return;
        }
        if (!isReadOnly() && modifiesText(event)) {
            startEditing(); // a failure leaves the key unapplied
        }
        QLineEdit::keyPressEvent(event);
    });
}

void DBEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    guarded(this, [&] { updateRecord(); });
}

} // namespace tirelon
