#include "widgets/finddialog.h"

#include "platform/exceptiondoor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tirelon {

FindDialog::FindDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Buscar"));
    setModal(true);

    text_ = new QLineEdit(this);
    text_->setObjectName(QStringLiteral("text"));
    column_ = new QComboBox(this);
    column_->setObjectName(QStringLiteral("column"));
    match_ = new QComboBox(this);
    match_->setObjectName(QStringLiteral("match"));
    match_->addItem(QStringLiteral("Cualquier parte del campo"), int(MatchMode::Anywhere));
    match_->addItem(QStringLiteral("Principio del campo"), int(MatchMode::Beginning));
    match_->addItem(QStringLiteral("Campo completo"), int(MatchMode::WholeText));
    caseSensitive_ = new QCheckBox(QStringLiteral("Coincidir mayúsculas/minúsculas"), this);
    caseSensitive_->setObjectName(QStringLiteral("caseSensitive"));

    auto* direction = new QGroupBox(QStringLiteral("Dirección"), this);
    forward_ = new QRadioButton(QStringLiteral("Hacia abajo"), direction);
    forward_->setObjectName(QStringLiteral("forward"));
    backward_ = new QRadioButton(QStringLiteral("Hacia arriba"), direction);
    backward_->setObjectName(QStringLiteral("backward"));
    forward_->setChecked(true);
    auto* directionLayout = new QHBoxLayout(direction);
    directionLayout->addWidget(forward_);
    directionLayout->addWidget(backward_);

    auto* buttons = new QDialogButtonBox(this);
    find_ = buttons->addButton(QStringLiteral("Buscar"), QDialogButtonBox::ActionRole);
    find_->setDefault(true);
    close_ = buttons->addButton(QStringLiteral("Cerrar"), QDialogButtonBox::RejectRole);

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Texto a buscar:"), text_);
    fields->addRow(QStringLiteral("Columna:"), column_);
    fields->addRow(QStringLiteral("Coincidir:"), match_);
    fields->addRow(caseSensitive_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(direction);
    layout->addWidget(buttons);

    connect(text_, &QLineEdit::textChanged, this, [this] { updateFindButton(); });
    connect(find_, &QPushButton::clicked, this, [this] {
        guarded(this, [&] {
            if (!text_->text().isEmpty())
                emit findNextRequested();
        });
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    updateFindButton();
}

void FindDialog::setColumns(const QStringList& titles, int chosen) {
    column_->clear();
    column_->addItems(titles);
    column_->setCurrentIndex(chosen);
}

int FindDialog::column() const {
    return column_->currentIndex();
}

QString FindDialog::text() const {
    return text_->text();
}

void FindDialog::setText(const QString& text) {
    text_->setText(text);
}

SearchOptions FindDialog::options() const {
    SearchOptions options;
    options.match = MatchMode(match_->currentData().toInt());
    options.caseSensitivity = caseSensitive_->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive;
    options.direction =
        backward_->isChecked() ? SearchDirection::Backward : SearchDirection::Forward;
    options.wrapAround = true;
    return options;
}

void FindDialog::updateFindButton() {
    find_->setEnabled(!text_->text().isEmpty());
}

} // namespace tirelon
