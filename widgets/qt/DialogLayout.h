#pragma once

#include <QFont>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <vector>

// Places widgets at rectangles given in dialog units, the font-relative units the window's
// layout is drawn in: a horizontal unit is a quarter of the font's average character width,
// a vertical unit an eighth of its height. Placing again with another font scales the layout.
class CDialogLayout {
public:
    explicit CDialogLayout(const QFont& font);

    // Places widget at the dialog-unit rectangle `units`, given in window coordinates;
    // parentOrigin is where the widget's parent lies in the same units.
    void Place(QWidget* widget, const QRect& units, const QPoint& parentOrigin = {});
    // Recomputes the base units from font and places every widget again.
    void SetFont(const QFont& font);

    QRect ToPixels(const QRect& units) const;
    QSize ToPixels(const QSize& units) const;

private:
    struct Placement {
        QPointer<QWidget> Widget;
        QRect Units; // relative to the widget's parent
    };
    void Apply(const Placement& placement) const;

    int m_baseX = 0;
    int m_baseY = 0;
    std::vector<Placement> m_placements;
};
