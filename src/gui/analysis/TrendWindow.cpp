#include "gui/analysis/TrendWindow.h"

#include "analysis/TrendChart.h"
#include "analysis/TrendFit.h"
#include "analysis/TrendSheet.h"
#include "common/UserError.h"
#include "gui/analysis/OmissionTableModel.h"
#include "gui/analysis/TrendChartView.h"
#include "gui/widgets/ScreenFit.h"
#include "history/AttributeCatalog.h"
#include "history/HistorySnapshot.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFutureWatcher>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace {

// The range choices: a positive number is the latest draws, a negative one days (−1 today, −2 yesterday,
// −3 and −7 the latest days), 0 every draw.
constexpr int kYesterday = -2;
constexpr std::array<int, 11> kRanges{30, 50, 100, 200, 500, 1000, -1, kYesterday, -3, -7, 0};

QString rangeCaption(int choice)
{
    if (choice > 0)
        return QStringLiteral("最近%1期").arg(choice);
    switch (choice) {
    case 0: return QStringLiteral("全部");
    case -1: return QStringLiteral("今天");
    case kYesterday: return QStringLiteral("昨天");
    default: return QStringLiteral("最近%1天").arg(-choice);
    }
}

bool isHalves(TrendView view)
{
    return view == TrendView::BigSmall || view == TrendView::OddEven || view == TrendView::PrimeComposite;
}

// What the split views put in each half, for the line over the chart.
QString splitNote(TrendView view, int range)
{
    if (!isHalves(view) && view != TrendView::Route012)
        return {};
    const TrendClasses classes = TrendClasses::of(view, range);
    QStringList halves;
    for (int c = 0; c < classes.columnCount(); ++c) {
        QStringList numbers;
        for (int n : classes.members(c))
            numbers << QStringLiteral("%1").arg(n, 2, 10, QChar(u'0'));
        halves << QStringLiteral("%1：%2").arg(classes.labels.at(c), numbers.join(u' '));
    }
    return QStringLiteral("；") + halves.join(QStringLiteral("，"));
}

QString fitText(const TrendChart& chart)
{
    const std::optional<TrendFit> fit = TrendFit::of(chart);
    if (!fit)
        return {};
    QString text = QStringLiteral("卡方 %1，自由度 %2，p = %3：这张表与随机开奖相符的程度（p 很小，如小于 0.01，"
                                  "才说明出现次数不像随机开奖）。")
                       .arg(fit->chiSquare, 0, 'f', 2)
                       .arg(fit->degreesOfFreedom)
                       .arg(fit->pValue, 0, 'g', 3);
    int marked = 0;
    for (const OmissionStats& s : chart.omissionTable())
        marked += s.marked ? 1 : 0;
    if (marked > 0)
        text += QStringLiteral("\n标色的 %1 列出现次数离理论次数较远（|z| ≥ 3）；列数多时，纯随机开奖也常有几列如此。")
                    .arg(marked);
    return text;
}

} // namespace

TrendWindow::TrendWindow(QWidget* parent) : QDialog(parent), m_today([] { return QDate::currentDate(); })
{
    setObjectName(QStringLiteral("frmTrend"));
    setWindowTitle(QStringLiteral("走势图"));
    setModal(false);

    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("lblTrendSummary"));
    m_summary->setWordWrap(true);
    m_sink = [this](const QString& title, const QString& text) { QMessageBox::warning(this, title, text); };
    m_opener = [](const QString& path) {
        if (qEnvironmentVariable("VELMORA_NO_OPEN") == u"1")
            return true;
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    };
    m_fit = new QLabel(this);
    m_fit->setObjectName(QStringLiteral("lblTrendFit"));
    m_fit->setWordWrap(true);
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
    layout->addWidget(m_fit);
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
    m_view = new QComboBox(views);
    m_view->setObjectName(QStringLiteral("cboTrendView"));
    for (int v = 0; v < TrendClasses::kViewCount; ++v)
        m_view->addItem(TrendClasses::caption(static_cast<TrendView>(v)), v);
    connect(m_view, &QComboBox::currentIndexChanged, this, [this] { rebuild(); });
    viewRow->addWidget(m_view);

    auto* windowBox = new QGroupBox(QStringLiteral("统计范围"), row);
    auto* windowRow = new QHBoxLayout(windowBox);
    m_window = new QComboBox(windowBox);
    m_window->setObjectName(QStringLiteral("cboTrendWindow"));
    for (int choice : kRanges)
        m_window->addItem(rangeCaption(choice), choice);
    m_window->setCurrentIndex(m_window->count() - 1); // 全部
    connect(m_window, &QComboBox::currentIndexChanged, this, [this] { rebuild(); });
    windowRow->addWidget(m_window);

    m_export = new QPushButton(QStringLiteral("导出到EXCEL"), row);
    m_export->setObjectName(QStringLiteral("cmdTrendExport"));
    connect(m_export, &QPushButton::clicked, this, [this] { exportSheet(); });

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
    layout->addWidget(m_export);
    layout->addStretch(1);
    return row;
}

void TrendWindow::setHistory(std::shared_ptr<const HistorySnapshot> history, int range, bool longDateIssues)
{
    m_history = std::move(history);
    m_range = range;
    m_longDateIssues = longDateIssues;
    rebuild();
}

void TrendWindow::setClock(std::function<QDate()> today)
{
    m_today = std::move(today);
    rebuild();
}

void TrendWindow::exportSheet(std::function<void(const QString& path)> done)
{
    std::shared_ptr<const TrendChart> chart = m_chart->sharedChart();
    if (!chart || m_exportFolder.isEmpty()) {
        m_sink(QStringLiteral("导出走势图"), QStringLiteral("没有打开的历史，无法导出走势图。"));
        if (done)
            done({});
        return;
    }
    const QString path = QDir(m_exportFolder).filePath(TrendSheet::fileName());
    m_export->setEnabled(false);
    // A chart of many draws and columns is millions of cells: written away from the window.
    auto* watcher = new QFutureWatcher<QString>(this);
    connect(watcher, &QFutureWatcher<QString>::finished, this, [this, watcher, path, done] {
        const QString failure = watcher->result();
        watcher->deleteLater();
        m_export->setEnabled(true);
        if (!failure.isEmpty()) {
            m_sink(QStringLiteral("导出走势图"), failure);
        } else if (!m_opener(path)) {
            m_sink(QStringLiteral("导出走势图"), QStringLiteral("您的电脑没有可以打开表格文件的软件。\n文件已保存：%1")
                                                     .arg(QDir::toNativeSeparators(path)));
        }
        if (done)
            done(failure.isEmpty() ? path : QString());
    });
    watcher->setFuture(QtConcurrent::run([chart, path]() -> QString {
        try {
            GridSpreadsheet::write(path, TrendSheet(*chart), QStringLiteral("导出走势图"));
        } catch (const UserError& e) {
            return e.message();
        }
        return {};
    }));
}

int TrendWindow::chosenPosition() const
{
    for (size_t i = 0; i < m_positions.size(); ++i)
        if (m_positions[i]->isChecked())
            return static_cast<int>(i) + 1;
    return 1;
}

TrendView TrendWindow::chosenView() const { return static_cast<TrendView>(m_view->currentData().toInt()); }

TrendRange TrendWindow::chosenRange() const
{
    const int choice = m_window->currentData().toInt();
    if (choice >= 0)
        return TrendRange::latest(choice);
    const QDate today = m_today();
    return choice == kYesterday ? TrendRange::lastDays(1, today.addDays(-1)) : TrendRange::lastDays(-choice, today);
}

int TrendWindow::chosenWindow() const { return std::max(0, m_window->currentData().toInt()); }

void TrendWindow::rebuild()
{
    // Called while the choices are built, before any history is handed over.
    if (!m_chart || !m_window || !m_lines || !m_view || !m_fit)
        return;
    const TrendView view = chosenView();
    const bool perPosition = TrendClasses::perPosition(view);
    for (QRadioButton* position : m_positions)
        position->setEnabled(perPosition);
    const TrendClasses classes = TrendClasses::of(view, m_range);
    auto chart = std::make_shared<const TrendChart>(std::vector<QString>{}, std::vector<std::array<int, 5>>{},
                                                    chosenPosition(), classes);
    QString failure;
    try {
        // Every view of 20,000 draws takes a few milliseconds (bench/TrendChartBench), so it is built here.
        if (m_history)
            chart = std::make_shared<const TrendChart>(TrendChart::build(
                *m_history, chosenPosition(), chosenRange().resolve(*m_history, m_longDateIssues), classes));
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
    m_fit->setText(fitText(*chart));
    if (!failure.isEmpty()) {
        m_summary->setText(failure);
        return;
    }
    const QString where = perPosition ? AttributeCatalog::positionWords().at(chosenPosition() - 1) +
                                            QStringLiteral("位") + m_view->currentText()
                                      : m_view->currentText();
    m_summary->setText(chart->rowCount() == 0
                           ? (m_history && !m_history->empty()
                                  ? QStringLiteral("%1：所选范围内没有开奖号码。").arg(m_window->currentText())
                                  : QStringLiteral("没有历史开奖号码。"))
                           : QStringLiteral("%1，%2：%3 期（%4 至 %5）%6")
                                 .arg(where, m_window->currentText())
                                 .arg(chart->rowCount())
                                 .arg(chart->issue(0), chart->issue(chart->rowCount() - 1), splitNote(view, m_range)));
}
