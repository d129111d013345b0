#pragma once

#include "widgets/search.h"

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tirelon {

// The modal find dialog of a grid: the text, the column to search, how the text must
// match, case and direction. "Buscar" asks for the next match and leaves the dialog open;
// "Cerrar" closes it. The dialog itself searches nothing: its owner answers
// findNextRequested() and reads the choices.
class FindDialog : public QDialog {
    Q_OBJECT
public:
    explicit FindDialog(QWidget* parent = nullptr);

    // The columns offered, by title, and the index of the one chosen at first.
    void setColumns(const QStringList& titles, int chosen);
    // The index, among the titles given to setColumns(), of the chosen column; -1 if none.
    int column() const;

    QString text() const;
    void setText(const QString& text);
    // Match mode, case and direction as chosen; the search always wraps around.
    SearchOptions options() const;

signals:
    void findNextRequested();

private:
    void updateFindButton();

    QLineEdit* text_ = nullptr;
    QComboBox* column_ = nullptr;
    QComboBox* match_ = nullptr;
    QCheckBox* caseSensitive_ = nullptr;
    QRadioButton* forward_ = nullptr;
    QRadioButton* backward_ = nullptr;
    QPushButton* find_ = nullptr;
    QPushButton* close_ = nullptr;
};

} // namespace tirelon
