#include "panel/qt/TrendWindow.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPushButton>
#include <QScatterSeries>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>

#include "panel/TrendDlg.h"
#include "panel/qt/ProfileDialog.h"
#include "widgets/qt/MessageBoxes.h"

namespace {

const std::array<QColor, 3> COLOURS = {QColor(200, 30, 30), QColor(20, 150, 40),
                                       QColor(30, 60, 210)};
const std::array<const char*, 3> COLOUR_NAMES = {"Red", "Green", "Blue"};
const QStringList COLUMN_NAMES = {"Count",   "Mean (%)", "\u03c3 (%)", "Min (%)",
                                  "Max (%)", "Cp",       "Cpk"};
constexpr int MARGIN_ROW = 3;
constexpr double MARGIN_FLOOR = -100.0; // lower end of the margin axis, unless worse is shown

QList<QPointF> Points(const std::vector<ChartPoint>& points) {
    QList<QPointF> list;
    list.reserve(static_cast<qsizetype>(points.size()));
    for (const ChartPoint& point : points) {
        list.append(QPointF(point.X, point.Y));
    }
    return list;
}

// Only a text that changed costs the table a repaint.
void SetCell(QTableWidget& table, int row, int column, const std::string& text) {
    QTableWidgetItem* item = table.item(row, column);
    const QString shown = QString::fromStdString(text);
    if (item->text() != shown) {
        item->setText(shown);
    }
}

} // namespace

CTrendWindow::CTrendWindow(CTrendDlg& controller, QWidget* parent)
    : QWidget(parent, Qt::Window), m_controller(controller), m_channels(new QComboBox(this)),
      m_spans(new QComboBox(this)), m_chart(new QChart), m_view(new QChartView(m_chart, this)),
      m_time(new QValueAxis(m_chart)), m_percent(new QValueAxis(m_chart)),
      m_margin(new QValueAxis(m_chart)), m_table(new QTableWidget(4, TREND_COLUMNS, this)),
      m_drift(new QLabel(this)), m_overlaps(new QLabel(this)) {
    setWindowTitle(QStringLiteral("Trend"));
    setObjectName(QStringLiteral("TrendWindow"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(MakeControls());
    MakeChart();
    layout->addWidget(m_view, 1);
    MakeTable();
    layout->addWidget(m_table);
    m_drift->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold"));
    m_overlaps->setStyleSheet(QStringLiteral("color: #a05000"));
    for (QLabel* label : {m_drift, m_overlaps}) {
        label->setWordWrap(true);
        label->hide();
        layout->addWidget(label);
    }
    resize(760, 620);
}

QWidget* CTrendWindow::MakeControls() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("Channel:"), row));
    m_channels->setObjectName(QStringLiteral("TrendChannel"));
    layout->addWidget(m_channels);
    layout->addWidget(new QLabel(QStringLiteral("Span:"), row));
    m_spans->setObjectName(QStringLiteral("TrendSpan"));
    for (const int minutes : TREND_SPANS) {
        m_spans->addItem(QStringLiteral("%1 min").arg(minutes));
    }
    layout->addWidget(m_spans);
    layout->addStretch(1);
    auto* saveData = new QPushButton(QStringLiteral("Save Data..."), row);
    auto* savePicture = new QPushButton(QStringLiteral("Save Picture..."), row);
    layout->addWidget(saveData);
    layout->addWidget(savePicture);
    connect(m_channels, &QComboBox::activated, this,
            [this](int index) { m_controller.OnSelchangeChannel(index); });
    connect(m_spans, &QComboBox::activated, this,
            [this](int index) { m_controller.OnSelchangeSpan(index); });
    connect(saveData, &QPushButton::clicked, this, [this] { m_controller.OnSaveData(); });
    connect(savePicture, &QPushButton::clicked, this, [this] { m_controller.OnSavePicture(); });
    return row;
}

QLineSeries* CTrendWindow::AddLine(const QColor& colour, const QString& name, QValueAxis* axis) {
    auto* line = new QLineSeries(m_chart);
    line->setName(name);
    line->setPen(QPen(colour, 1.5));
    m_chart->addSeries(line);
    line->attachAxis(m_time);
    line->attachAxis(axis);
    return line;
}

// The bands go in first so the traces draw over them.
void CTrendWindow::MakeChart() {
    m_chart->addAxis(m_time, Qt::AlignBottom);
    m_chart->addAxis(m_percent, Qt::AlignLeft);
    m_chart->addAxis(m_margin, Qt::AlignRight);
    m_time->setTitleText(QStringLiteral("Minutes"));
    m_time->setTickCount(6); // fifths of the span, whole numbers on every span but the first
    m_time->setLabelFormat(QStringLiteral("%g"));
    m_percent->setTitleText(QStringLiteral("Colour (% of full scale)"));
    m_percent->setRange(0.0, 100.0);
    m_percent->setLabelFormat(QStringLiteral("%.0f"));
    m_margin->setTitleText(QStringLiteral("Margin (%)"));
    m_margin->setLabelFormat(QStringLiteral("%.0f"));
    for (std::size_t c = 0; c < 3; ++c) {
        auto* area = new QAreaSeries(new QLineSeries(m_chart), new QLineSeries(m_chart));
        QColor fill = COLOURS[c];
        fill.setAlpha(40);
        area->setBrush(fill);
        area->setPen(QPen(fill.darker(), 0.5, Qt::DashLine));
        area->setName(QStringLiteral("%1 tolerance").arg(COLOUR_NAMES[c]));
        m_chart->addSeries(area);
        area->attachAxis(m_time);
        area->attachAxis(m_percent);
        m_bands[c] = area;
    }
    for (std::size_t c = 0; c < 3; ++c) {
        m_colours[c] = AddLine(COLOURS[c], COLOUR_NAMES[c], m_percent);
    }
    m_marginLine = AddLine(Qt::black, QStringLiteral("Margin"), m_margin);
    m_matchChanges = new QScatterSeries(m_chart);
    m_matchChanges->setName(QStringLiteral("Match change"));
    m_matchChanges->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
    m_matchChanges->setMarkerSize(8.0);
    m_matchChanges->setColor(QColor(240, 160, 0));
    m_disagreements = new QScatterSeries(m_chart);
    m_disagreements->setName(QStringLiteral("Sensor disagrees"));
    m_disagreements->setBorderColor(Qt::magenta);
    m_disagreements->setMarkerSize(6.0);
    m_disagreements->setColor(Qt::magenta);
    for (QScatterSeries* marks : {m_matchChanges, m_disagreements}) {
        m_chart->addSeries(marks);
        marks->attachAxis(m_time);
        marks->attachAxis(m_margin);
    }
    m_chart->legend()->setAlignment(Qt::AlignBottom);
    for (QAreaSeries* band : m_bands) {
        m_chart->legend()->markers(band).constFirst()->setVisible(false);
    }
    m_view->setRenderHint(QPainter::Antialiasing, false);
    m_view->setMinimumHeight(280);
}

void CTrendWindow::MakeTable() {
    m_table->setHorizontalHeaderLabels(COLUMN_NAMES);
    m_table->setVerticalHeaderLabels({"Red", "Green", "Blue", "Margin"});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_table->setSpan(MARGIN_ROW, 3, 1, 4);
    for (int row = 0; row <= MARGIN_ROW; ++row) {
        for (int column = 0; column < TREND_COLUMNS; ++column) {
            auto* item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_table->setItem(row, column, item);
        }
    }
    m_table->setFixedHeight(m_table->horizontalHeader()->sizeHint().height() +
                            4 * m_table->verticalHeader()->defaultSectionSize() + 4);
}

void CTrendWindow::FillChannels(const std::vector<std::string>& names, int selected) {
    m_channels->clear();
    for (const std::string& name : names) {
        m_channels->addItem(QString::fromStdString(name));
    }
    m_channels->setCurrentIndex(selected);
}

void CTrendWindow::SelectSpan(int index) {
    m_spans->setCurrentIndex(index);
}

unsigned CTrendWindow::ChartColumns() const {
    return static_cast<unsigned>(std::max(1.0, m_chart->plotArea().width()));
}

void CTrendWindow::ShowChart(const TrendChart& chart) {
    m_time->setRange(-chart.SpanMinutes, 0.0);
    for (std::size_t c = 0; c < 3; ++c) {
        m_colours[c]->replace(Points(chart.Colours[c]));
    }
    m_marginLine->replace(Points(chart.Margin));
    m_matchChanges->replace(Points(chart.MatchChanges));
    m_disagreements->replace(Points(chart.Disagreements));
    double lowest = MARGIN_FLOOR;
    for (const ChartPoint& point : chart.Margin) {
        lowest = std::min(lowest, point.Y);
    }
    m_margin->setRange(lowest, 100.0);
    ShowBands(chart);
}

void CTrendWindow::ShowBands(const TrendChart& chart) {
    for (std::size_t c = 0; c < 3; ++c) {
        m_bands[c]->setVisible(chart.Bands.has_value());
        if (!chart.Bands) {
            continue;
        }
        const TrendBand& band = (*chart.Bands)[c];
        m_bands[c]->upperSeries()->replace({{-chart.SpanMinutes, band.High}, {0.0, band.High}});
        m_bands[c]->lowerSeries()->replace({{-chart.SpanMinutes, band.Low}, {0.0, band.Low}});
    }
}

void CTrendWindow::ShowTable(const TrendTable& table) {
    for (int c = 0; c < 3; ++c) {
        for (int column = 0; column < TREND_COLUMNS; ++column) {
            SetCell(*m_table, c, column, table.Colours[c][column]);
        }
    }
    SetCell(*m_table, MARGIN_ROW, 0, "now " + table.Margin[0]);
    SetCell(*m_table, MARGIN_ROW, 1, "min " + table.Margin[1]);
    SetCell(*m_table, MARGIN_ROW, 2, "mean " + table.Margin[2]);
    SetCell(*m_table, MARGIN_ROW, 3, table.MarginNote);
}

void CTrendWindow::ShowWarnings(const std::string& drift, const std::string& overlaps) {
    m_drift->setText(QString::fromStdString(drift));
    m_drift->setVisible(!drift.empty());
    m_overlaps->setText(QString::fromStdString(overlaps));
    m_overlaps->setVisible(!overlaps.empty());
}

bool CTrendWindow::ShowFileDialog(const FileDialogRequest& request, std::string& path) {
    return RunProfileDialog(this, request, path);
}

bool CTrendWindow::SavePicture(const std::string& path) {
    return m_view->grab().save(QString::fromStdString(path), "PNG");
}

MessageResult CTrendWindow::ShowMessageBox(const MessageBoxRequest& request) {
    return RunMessageBox(request, this);
}

void CTrendWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_controller.OnInitDialog(*this);
}

void CTrendWindow::hideEvent(QHideEvent* event) {
    m_controller.OnDestroy();
    QWidget::hideEvent(event);
}

void CTrendWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CTrendWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (isVisible()) {
        m_controller.Refresh();
    }
}
