#pragma once

#include <QLabel>

namespace tirelon {

// A caption panel with a raised outer and a lowered inner bevel, text centred: the
// progress panels of the access and export windows.
class BevelPanel : public QLabel {
    Q_OBJECT
public:
    explicit BevelPanel(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace tirelon
