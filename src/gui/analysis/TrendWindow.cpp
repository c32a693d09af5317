#include "gui/analysis/TrendWindow.h"

#include "analysis/TrendChart.h"
#include "gui/analysis/OmissionTableModel.h"
#include "gui/analysis/TrendChartView.h"
#include "gui/widgets/ScreenFit.h"
#include "history/AttributeCatalog.h"
#include "history/HistorySnapshot.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

namespace {

const char* const kViewCaptions[] = {"号码", "大小", "单双", "质合"};
constexpr TrendView kViews[] = {TrendView::Numbers, TrendView::BigSmall, TrendView::OddEven, TrendView::PrimeComposite};

QString windowCaption(int window)
{
    return window == 0 ? QStringLiteral("全部") : QStringLiteral("最近%1期").arg(window);
}

// What the split views put in each half, for the line over the chart.
QString splitNote(TrendView view, int range)
{
    const TrendClasses classes = TrendClasses::of(view, range);
    if (view == TrendView::Numbers)
        return {};
    QStringList halves;
    for (int c = 0; c < classes.columnCount(); ++c) {
        QStringList numbers;
        for (int n : classes.members(c))
            numbers << QStringLiteral("%1").arg(n, 2, 10, QChar(u'0'));
        halves << QStringLiteral("%1：%2").arg(classes.labels.at(c), numbers.join(u' '));
    }
    return QStringLiteral("；") + halves.join(QStringLiteral("，"));
}

} // namespace

TrendWindow::TrendWindow(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmTrend"));
    setWindowTitle(QStringLiteral("走势图"));
    setModal(false);

    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("lblTrendSummary"));
    m_summary->setWordWrap(true);
    m_chart = new TrendChartView(this);
    m_model = new OmissionTableModel(this);
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("OmissionTable"));
    m_table->setModel(m_model);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(m_chart->rowHeight());
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // The figures stand under their chart columns: same left edge, same widths.
    m_table->verticalHeader()->setFixedWidth(m_chart->labelWidth());
    connect(m_chart->horizontalScrollBar(), &QScrollBar::valueChanged, m_table->horizontalScrollBar(),
            &QScrollBar::setValue);

    auto* table = new QLabel(QStringLiteral("遗漏统计"), this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildChoices());
    layout->addWidget(m_summary);
    layout->addWidget(m_chart, 1);
    layout->addWidget(table);
    layout->addWidget(m_table);
    ScreenFit::apply(this, QSize(760, 820));
    rebuild();
}

TrendWindow::~TrendWindow() = default;

QWidget* TrendWindow::buildChoices()
{
    auto* row = new QWidget(this);
    auto* positions = new QGroupBox(QStringLiteral("位置"), row);
    auto* positionRow = new QHBoxLayout(positions);
    for (size_t i = 0; i < m_positions.size(); ++i) {
        m_positions[i] = new QRadioButton(AttributeCatalog::positionWords().at(static_cast<int>(i)), positions);
        m_positions[i]->setObjectName(QStringLiteral("optTrendPos%1").arg(i + 1));
        positionRow->addWidget(m_positions[i]);
        connect(m_positions[i], &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                rebuild();
        });
    }
    m_positions[0]->setChecked(true);

    auto* views = new QGroupBox(QStringLiteral("显示"), row);
    auto* viewRow = new QHBoxLayout(views);
    for (size_t i = 0; i < m_views.size(); ++i) {
        m_views[i] = new QRadioButton(QString::fromUtf8(kViewCaptions[i]), views);
        m_views[i]->setObjectName(QStringLiteral("optTrendView%1").arg(i));
        viewRow->addWidget(m_views[i]);
        connect(m_views[i], &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                rebuild();
        });
    }
    m_views[0]->setChecked(true);

    auto* windowBox = new QGroupBox(QStringLiteral("统计期数"), row);
    auto* windowRow = new QHBoxLayout(windowBox);
    m_window = new QComboBox(windowBox);
    m_window->setObjectName(QStringLiteral("cboTrendWindow"));
    for (int window : kWindows)
        m_window->addItem(windowCaption(window), window);
    connect(m_window, &QComboBox::currentIndexChanged, this, [this] { rebuild(); });
    windowRow->addWidget(m_window);

    m_lines = new QCheckBox(QStringLiteral("显示连线"), row);
    m_lines->setObjectName(QStringLiteral("chkTrendLines"));
    m_lines->setChecked(true);
    connect(m_lines, &QCheckBox::toggled, m_chart, &TrendChartView::setLinesShown);

    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(positions);
    layout->addWidget(views);
    layout->addWidget(windowBox);
    layout->addWidget(m_lines);
    layout->addStretch(1);
    return row;
}

void TrendWindow::setHistory(std::shared_ptr<const HistorySnapshot> history, int range)
{
    m_history = std::move(history);
    m_range = range;
    rebuild();
}

int TrendWindow::chosenPosition() const
{
    for (size_t i = 0; i < m_positions.size(); ++i)
        if (m_positions[i]->isChecked())
            return static_cast<int>(i) + 1;
    return 1;
}

TrendView TrendWindow::chosenView() const
{
    for (size_t i = 0; i < m_views.size(); ++i)
        if (m_views[i]->isChecked())
            return kViews[i];
    return TrendView::Numbers;
}

int TrendWindow::chosenWindow() const { return m_window->currentData().toInt(); }

void TrendWindow::rebuild()
{
    // Called while the choices are built, before any history is handed over.
    if (!m_chart || !m_window || !m_lines)
        return;
    const TrendClasses classes = TrendClasses::of(chosenView(), m_range);
    auto chart = std::make_shared<const TrendChart>(std::vector<QString>{}, std::vector<int>{}, classes);
    QString failure;
    try {
        if (m_history)
            chart = std::make_shared<const TrendChart>(
                TrendChart::build(*m_history, chosenPosition(), chosenWindow(), classes));
    } catch (const std::exception& e) {
        // A stored number outside the lottery's range: the window says so instead of charting it.
        failure = QStringLiteral("无法绘制走势图：%1").arg(QString::fromLocal8Bit(e.what()));
    }
    m_model->setChart(*chart);
    m_chart->setChart(chart);
    m_chart->setLinesShown(m_lines->isChecked());
    for (int c = 0; c < m_model->columnCount(); ++c)
        m_table->setColumnWidth(c, m_chart->columnWidth());
    const int height = m_table->horizontalHeader()->sizeHint().height() +
                       OmissionTableModel::kRows * m_chart->rowHeight() + 2 * m_table->frameWidth();
    m_table->setFixedHeight(height);
    if (!failure.isEmpty()) {
        m_summary->setText(failure);
        return;
    }
    m_summary->setText(
        chart->rowCount() == 0
            ? QStringLiteral("没有历史开奖号码。")
            : QStringLiteral("%1位，%2：%3 期（%4 至 %5）%6")
                  .arg(AttributeCatalog::positionWords().at(chosenPosition() - 1), windowCaption(chosenWindow()))
                  .arg(chart->rowCount())
                  .arg(chart->issue(0), chart->issue(chart->rowCount() - 1), splitNote(chosenView(), m_range)));
}
