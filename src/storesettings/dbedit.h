#pragma once

#include "data/recordset/clientdataset.h"

#include <QLineEdit>
#include <QPointer>

namespace tirelon {

// A line edit bound to one field of a cached record set. It shows the field of
// the current row (or of the row being edited), starts editing the row when the
// user types, and writes its text into the row when it loses the focus or when
// updateRecord() is called. Esc inside an edit with unwritten typing restores the
// text from the row and selects it; otherwise Esc goes on to the window.
// While the record set is closed the edit is empty and read-only.
class DBEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit DBEdit(QWidget* parent = nullptr);

    // Binds the edit; the field's size becomes the edit's maximum length.
    void bind(TClientDataSet* dataSet, const QString& fieldName);
    TClientDataSet* dataSet() const { return dataSet_; }
    const QString& dataField() const { return fieldName_; }

    // Writes the typed text into the row buffer (starting an edit if needed).
    // Does nothing when nothing was typed since the edit last showed the row.
    void updateRecord();
    // Shows the row's value again, dropping unwritten typing.
    void reset();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void refresh();
    void startEditing();
    static bool modifiesText(QKeyEvent* event);

    QPointer<TClientDataSet> dataSet_;
    QString fieldName_;
    bool startingEdit_ = false;
};

} // namespace tirelon
