#include "gui/analysis/HistoryListWindow.h"

#include "analysis/HistoryList.h"
#include "analysis/HistoryListExport.h"
#include "analysis/RankHistogram.h"
#include "common/UserError.h"
#include "gui/analysis/HistoryListModel.h"
#include "gui/analysis/RankChart.h"
#include "gui/widgets/ScreenFit.h"

#include <QDesktopServices>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
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
    layout->addWidget(splitter, 1);
    ScreenFit::apply(this, QSize(1200, 720)); // once laid out: never below what the contents need
}

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
