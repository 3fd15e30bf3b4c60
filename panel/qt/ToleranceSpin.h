#pragma once

#include <QSpinBox>

// The up-down arrows beside a tolerance field. The step it counts lives in a hidden buddy field,
// as on the Windows tool, so the spin shows only its arrows; its value is the arrows' position.
class CToleranceSpin : public QSpinBox {
    Q_OBJECT

public:
    explicit CToleranceSpin(QWidget* parent = nullptr);
};
