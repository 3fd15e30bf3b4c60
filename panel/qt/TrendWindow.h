#pragma once

#include <QWidget>
#include <array>

#include "panel/TrendView.h"

class CTrendDlg;
class QAreaSeries;
class QChart;
class QChartView;
class QComboBox;
class QLabel;
class QLineSeries;
class QScatterSeries;
class QTableWidget;
class QValueAxis;

// The non-modal "Trend" window: draws what its controller (CTrendDlg) hands it and forwards the
// user's choices. It tells the controller when it opens and closes, so that nothing is drawn
// while it is hidden.
class CTrendWindow : public QWidget, public TrendView {
    Q_OBJECT

public:
    CTrendWindow(CTrendDlg& controller, QWidget* parent);

    QChartView* ChartView() const { return m_view; }
    QTableWidget* Table() const { return m_table; }

    // TrendView
    void FillChannels(const std::vector<std::string>& names, int selected) override;
    void SelectSpan(int index) override;
    unsigned ChartColumns() const override;
    void ShowChart(const TrendChart& chart) override;
    void ShowTable(const TrendTable& table) override;
    void ShowWarnings(const std::string& drift, const std::string& overlaps) override;
    bool ShowFileDialog(const FileDialogRequest& request, std::string& path) override;
    bool SavePicture(const std::string& path) override;
    MessageResult ShowMessageBox(const MessageBoxRequest& request) override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override; // Escape closes, as in the dialogs

private:
    QWidget* MakeControls();
    void MakeChart();
    void MakeTable();
    QLineSeries* AddLine(const QColor& colour, const QString& name, QValueAxis* axis);
    void ShowBands(const TrendChart& chart);

    CTrendDlg& m_controller;
    QComboBox* m_channels;
    QComboBox* m_spans;
    QChart* m_chart;
    QChartView* m_view;
    QValueAxis* m_time;
    QValueAxis* m_percent;
    QValueAxis* m_margin;
    std::array<QLineSeries*, 3> m_colours{};
    std::array<QAreaSeries*, 3> m_bands{};
    QLineSeries* m_marginLine = nullptr;
    QScatterSeries* m_matchChanges = nullptr;
    QScatterSeries* m_disagreements = nullptr;
    QTableWidget* m_table;
    QLabel* m_drift;
    QLabel* m_overlaps;
};
