#pragma once

#include <QString>

class QGridLayout;
class QLineEdit;
class QWidget;

// The parts the teaching dialogs' grids share: colour headings, row labels, centred fields.

// "Red", "Green", "Blue" (capitalised) or "red", "green", "blue".
QString ColourName(int colour, bool capital);
// "RED", "GREEN", "BLUE" over columns 1 to 3 of row 0.
void AddColourHeadings(QGridLayout* grid, QWidget* parent);
void AddRowLabel(QGridLayout* grid, int row, const QString& text, QWidget* parent);
// Puts field at (row, column), centred, named for assistive tools.
void AddField(QGridLayout* grid, int row, int column, QLineEdit* field, const QString& name);
QLineEdit* AddReadOnlyField(QGridLayout* grid, int row, int column, const QString& name,
                            QWidget* parent);
