#include "gui/analysis/HistoryListWindow.h"

#include "analysis/HistoryList.h"
#include "analysis/HistoryListExport.h"
#include "analysis/RankHistogram.h"
#include "analysis/RankingKey.h"
#include "common/UserError.h"
#include "gui/analysis/HistoryListModel.h"
#include "gui/analysis/RankChart.h"
#include "gui/widgets/ScreenFit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const char* const kPositionCaptions[] = {"第一", "第二", "第三", "第四", "第五"};

} // namespace

HistoryListWindow::HistoryListWindow(QString dataDirectory, QWidget* parent)
    : QDialog(parent),
      m_dataDirectory(std::move(dataDirectory))
{
    setObjectName(QStringLiteral("frmLslb"));
    setWindowTitle(QStringLiteral("历史开奖列表"));
    setModal(false);
    m_sink = [this](const QString& title, const QString& text) { QMessageBox::warning(this, title, text); };
    m_note = [this](const QString& title, const QString& text) { QMessageBox::information(this, title, text); };
    m_opener = [](const QString& path) {
        if (qEnvironmentVariable("VELMORA_NO_OPEN") == u"1")
            return true;
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    };

    m_model = new HistoryListModel(this);
    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("MSFlexGrid1"));
    m_grid->setModel(m_model);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->verticalHeader()->setDefaultSectionSize(22);
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->horizontalHeader()->setDefaultSectionSize(52);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    connect(m_grid, &QTableView::doubleClicked, this, [this] { exportList(HistoryListExport::gridFileName()); });

    auto* positions = new QGroupBox(QStringLiteral("名次"), this);
    auto* positionRow = new QHBoxLayout(positions);
    for (size_t i = 0; i < m_positions.size(); ++i) {
        m_positions[i] = new QRadioButton(QString::fromUtf8(kPositionCaptions[i]), positions);
        m_positions[i]->setObjectName(QStringLiteral("Option2_%1").arg(i));
        positionRow->addWidget(m_positions[i]);
    }
    m_refill = new QPushButton(QStringLiteral("查询该位该类对应号历史排序结果"), this);
    m_refill->setObjectName(QStringLiteral("Command2"));
    m_export = new QPushButton(QStringLiteral("查询结果导出(&O)"), this);
    m_export->setObjectName(QStringLiteral("Command1"));
    connect(m_refill, &QPushButton::clicked, this, &HistoryListWindow::refill);
    connect(m_export, &QPushButton::clicked, this, [this] { exportList(HistoryListExport::listFileName()); });

    m_formulas = new QLabel(this);
    m_formulas->setObjectName(QStringLiteral("LabelFormulas"));
    m_formulas->setWordWrap(true);
    m_chart = new RankChart(this);

    auto* replay = new QGroupBox(QStringLiteral("逐期回测"), this);
    auto* replayRow = new QHBoxLayout(replay);
    m_walkForward = new QCheckBox(QStringLiteral("每一期只用它之前的开奖数据"), replay);
    m_walkForward->setObjectName(QStringLiteral("CheckWalkForward"));
    m_lookBack = new QSpinBox(replay);
    m_lookBack->setObjectName(QStringLiteral("SpinLookBack"));
    m_lookBack->setRange(0, 1000000);
    m_lookBack->setSpecialValueText(QStringLiteral("全部"));
    m_rankBy = new QComboBox(replay);
    m_rankBy->setObjectName(QStringLiteral("ComboRankBy"));
    m_rankBy->addItems(RankingKeys::captions());
    m_top = new QSpinBox(replay);
    m_top->setObjectName(QStringLiteral("SpinTop"));
    m_top->setRange(1, 1000000);
    m_replay = new QPushButton(QStringLiteral("重新回测"), replay);
    m_replay->setObjectName(QStringLiteral("CommandReplay"));
    replayRow->addWidget(m_walkForward);
    replayRow->addWidget(new QLabel(QStringLiteral("回看期数"), replay));
    replayRow->addWidget(m_lookBack);
    replayRow->addWidget(new QLabel(QStringLiteral("排序"), replay));
    replayRow->addWidget(m_rankBy);
    replayRow->addWidget(new QLabel(QStringLiteral("前"), replay));
    replayRow->addWidget(m_top);
    replayRow->addWidget(new QLabel(QStringLiteral("条投票"), replay));
    replayRow->addWidget(m_replay);
    replayRow->addStretch();
    const auto syncReplay = [this] {
        const bool on = m_walkForward->isChecked();
        m_lookBack->setEnabled(on);
        m_rankBy->setEnabled(on);
        m_top->setEnabled(on);
    };
    connect(m_walkForward, &QCheckBox::toggled, this, syncReplay);
    connect(m_replay, &QPushButton::clicked, this, [this] { emit replayRequested(replayChoice()); });
    setReplayDefaults(ReplayChoice{});
    syncReplay();
    m_verdict = new QLabel(this);
    m_verdict->setObjectName(QStringLiteral("LabelVerdict"));
    m_verdict->setWordWrap(true);
    m_verdict->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_verdict->hide();

    auto* controls = new QHBoxLayout;
    controls->addWidget(positions);
    controls->addWidget(m_refill);
    controls->addStretch();
    controls->addWidget(m_export);
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(m_grid);
    splitter->addWidget(m_chart);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(m_formulas);
    layout->addWidget(replay);
    layout->addWidget(m_verdict);
    layout->addWidget(splitter, 1);
    ScreenFit::apply(this, QSize(1200, 720)); // once laid out: never below what the contents need
}

void HistoryListWindow::setReplayDefaults(const ReplayChoice& choice)
{
    m_walkForward->setChecked(choice.walkForward);
    m_lookBack->setValue(choice.lookBack);
    m_rankBy->setCurrentIndex(static_cast<int>(choice.rankBy));
    m_top->setValue(choice.top);
}

ReplayChoice HistoryListWindow::replayChoice() const
{
    ReplayChoice choice;
    choice.walkForward = m_walkForward->isChecked();
    choice.lookBack = m_lookBack->value();
    choice.rankBy = static_cast<StatisticKey>(std::max(0, m_rankBy->currentIndex()));
    choice.top = m_top->value();
    return choice;
}

void HistoryListWindow::setVerdict(const QString& text)
{
    m_verdict->setText(text);
    m_verdict->setVisible(!text.isEmpty());
}

QString HistoryListWindow::verdict() const { return m_verdict->text(); }

HistoryListWindow::~HistoryListWindow() = default;

void HistoryListWindow::showResult(std::shared_ptr<const BackTestResult> result, int position)
{
    m_result = std::move(result);
    m_positions[static_cast<size_t>(std::clamp(position, 1, 5) - 1)]->setChecked(true);
    showFormulaLine();
    refill();
}

int HistoryListWindow::chosenPosition() const
{
    for (size_t i = 0; i < m_positions.size(); ++i)
        if (m_positions[i]->isChecked())
            return static_cast<int>(i) + 1;
    return 1;
}

const HistoryList* HistoryListWindow::list() const { return m_model->list(); }

void HistoryListWindow::refill()
{
    if (!m_result)
        return;
    const int position = chosenPosition();
    auto list = std::make_shared<const HistoryList>(m_result, position);
    m_chart->setHistogram(RankHistogram::of(*list), position);
    m_model->setList(std::move(list));
    m_grid->setColumnWidth(0, 96);
    for (int c = m_model->list()->firstCountColumn(); c < m_model->columnCount(); ++c)
        m_grid->setColumnWidth(c, 190);
}

void HistoryListWindow::showFormulaLine()
{
    QString text = QStringLiteral("%1 %2公式 %3 条参与，回放 %4 期")
                       .arg(m_result->table, m_result->kill ? QStringLiteral("杀") : QStringLiteral("生"))
                       .arg(m_result->usedFormulas)
                       .arg(m_result->drawCount());
    if (!m_result->skipped.empty()) {
        QStringList idxs;
        for (const BackTestSkip& skip : m_result->skipped)
            idxs << QString::number(skip.idx);
        text += QStringLiteral("；无法计算、未参与的公式序号：%1").arg(idxs.join(QStringLiteral("、")));
    }
    m_formulas->setText(text);
}

QString HistoryListWindow::exportList(const QString& fileName)
{
    if (!list())
        return {};
    const QString path = QDir(m_dataDirectory).filePath(fileName);
    try {
        HistoryListExport::write(path, *list());
    } catch (const UserError& e) {
        m_sink(e.title(), e.message());
        return {};
    }
    if (!m_openExports()) {
        m_note(QStringLiteral("查询结果导出"), QStringLiteral("已写入 %1").arg(QDir::toNativeSeparators(path)));
        return path;
    }
    if (!m_opener(path))
        m_sink(QStringLiteral("列表显示错误"),
               QStringLiteral("您的电脑没有可以打开表格文件的软件，多参数列表无法显示。\n文件已保存：%1")
                   .arg(QDir::toNativeSeparators(path)));
    return path;
}
