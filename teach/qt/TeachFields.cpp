#include "teach/qt/TeachFields.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace {

// Wide enough for "100.0" in the dialog font.
constexpr int FIELD_CHARACTERS = 7;

} // namespace

QString ColourName(int colour, bool capital) {
    static const char* const NAMES[] = {"Red", "Green", "Blue"};
    const QString name = QString::fromLatin1(NAMES[colour]);
    return capital ? name : name.toLower();
}

void AddColourHeadings(QGridLayout* grid, QWidget* parent) {
    for (int colour = 0; colour < 3; ++colour) {
        auto* heading = new QLabel(ColourName(colour, true).toUpper(), parent);
        heading->setAlignment(Qt::AlignCenter);
        grid->addWidget(heading, 0, colour + 1);
    }
}

void AddRowLabel(QGridLayout* grid, int row, const QString& text, QWidget* parent) {
    grid->addWidget(new QLabel(text, parent), row, 0);
}

void AddField(QGridLayout* grid, int row, int column, QLineEdit* field, const QString& name) {
    field->setAlignment(Qt::AlignCenter);
    field->setAccessibleName(name);
    field->setFixedWidth(field->fontMetrics().averageCharWidth() * FIELD_CHARACTERS +
                         field->fontMetrics().height());
    grid->addWidget(field, row, column);
}

QLineEdit* AddReadOnlyField(QGridLayout* grid, int row, int column, const QString& name,
                            QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setReadOnly(true);
    AddField(grid, row, column, field, name);
    return field;
}
