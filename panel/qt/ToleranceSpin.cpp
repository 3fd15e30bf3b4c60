#include "panel/qt/ToleranceSpin.h"

#include <QLineEdit>

CToleranceSpin::CToleranceSpin(QWidget* parent) : QSpinBox(parent) {
    lineEdit()->hide();
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
}
