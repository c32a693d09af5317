#include "gui/analysis/ErrorValuesWindow.h"

#include "analysis/ErrorValuesExport.h"
#include "common/UserError.h"
#include "gui/analysis/DetailListWindow.h"
#include "gui/analysis/VoteBarChart.h"
#include "gui/widgets/ScreenFit.h"
#include "history/Database.h"

#include <QDesktopServices>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTabWidget>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QColor kFilteredColour(0x00, 0xFF, 0x00);
const QColor kKeptEarlierColour(128, 128, 128);
const QColor kDrawnColour(0xD0, 0x00, 0x00);

QTableWidgetItem* cell(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

// Two digits each, in the container's order.
template <typename Numbers>
QString numbersText(const Numbers& numbers)
{
    QStringList parts;
    for (int n : numbers)
        parts << QStringLiteral("%1").arg(n, 2, 10, QChar(u'0'));
    return parts.join(u' ');
}

} // namespace

ErrorValuesWindow::ErrorValuesWindow(Database& db, const CalculationResult& result, QWidget* parent)
    : QDialog(parent),
      m_db(db)
{
    setObjectName(QStringLiteral("frmErrarrLei"));
    setWindowTitle(QStringLiteral("杀留值排序(鼠标双击列表反向排序)"));
    setModal(false);
    ScreenFit::apply(this, QSize(880, 640));
    m_sink = [this](const QString& title, const QString& text) { QMessageBox::warning(this, title, text); };
    m_note = [this](const QString& title, const QString& text) { QMessageBox::information(this, title, text); };
    m_opener = [](const QString& path) {
        if (qEnvironmentVariable("VELMORA_NO_OPEN") == u"1")
            return true;
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    };

    m_verified = new QLabel(this);
    m_verified->setObjectName(QStringLiteral("LabelVerified"));
    m_tabStrip = new QTabWidget(this);
    m_tabStrip->setObjectName(QStringLiteral("TabStrip1"));
    m_export = new QPushButton(QStringLiteral("导出表格(&E)"), this);
    m_export->setObjectName(QStringLiteral("Command1"));
    m_details = new QPushButton(QStringLiteral("详细结果列表(&D)"), this);
    m_details->setObjectName(QStringLiteral("Command2"));
    connect(m_export, &QPushButton::clicked, this, [this] { exportCurrentTab(); });
    connect(m_details, &QPushButton::clicked, this, &ErrorValuesWindow::showDetails);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_details);
    buttons->addWidget(m_export);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_verified);
    layout->addWidget(m_tabStrip);
    layout->addLayout(buttons);

    prepare(result);
}

void ErrorValuesWindow::prepare(const CalculationResult& result)
{
    m_result = result;
    m_tabs.clear();
    while (m_tabStrip->count() > 0) {
        QWidget* page = m_tabStrip->widget(0);
        m_tabStrip->removeTab(0);
        delete page;
    }
    m_marks = ErrorValuesTable::keptMarks(m_result);
    const std::vector<int> positions = m_result.shownPositions();
    for (size_t i = 0; i < positions.size(); ++i) {
        ErrorValuesTable::store(m_db.sql(), m_result, positions[i]);
        TabState state;
        state.position = positions[i];
        m_tabs.push_back(state);
        const int index = static_cast<int>(i);
        m_tabStrip->addTab(buildTab(index, m_marks.kept[i], m_marks.shaded[i]),
                           QStringLiteral("第%1").arg(positions[i]));
        fillList(index);
    }
    // The detail list belongs to a calculation over the selected formulas.
    m_details->setVisible(!m_result.bestMethod);
    m_verified->setVisible(m_result.verifiedNumbers.has_value());
    if (m_result.verifiedNumbers) {
        m_verified->setText(QStringLiteral("验证第%1期，开奖号码：%2（列表中以红色粗体标出）")
                                .arg(m_result.verifiedIssue, numbersText(*m_result.verifiedNumbers)));
    }
}

QWidget* ErrorValuesWindow::buildTab(int index, const std::set<int>& kept, const std::set<int>& shaded)
{
    const int position = m_tabs[static_cast<size_t>(index)].position;
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("Picture1_%1").arg(index));

    auto* list = new QTableWidget(page);
    list->setObjectName(QStringLiteral("MSFlexGrid1_%1").arg(index));
    list->setColumnCount(6);
    list->verticalHeader()->hide();
    list->verticalHeader()->setDefaultSectionSize(22);
    list->setSelectionMode(QAbstractItemView::NoSelection);
    m_tabs[static_cast<size_t>(index)].list = list;
    // A double click on a heading or in the list re-sorts by that column, as
    // the window's caption says; a single click changes nothing.
    connect(list->horizontalHeader(), &QHeaderView::sectionDoubleClicked, this,
            [this, index](int column) { resort(index, column); });
    connect(list, &QTableWidget::cellDoubleClicked, this, [this, index](int, int column) { resort(index, column); });

    auto* summary = new QTableWidget(page);
    summary->setObjectName(QStringLiteral("MSFlexGrid3_%1").arg(index));
    summary->verticalHeader()->hide();
    summary->verticalHeader()->setDefaultSectionSize(22);
    fillSummary(summary, position);

    auto* keptLabel = new QLabel(page);
    keptLabel->setObjectName(QStringLiteral("LabelKept_%1").arg(index));
    QString keptText = QStringLiteral("保留号码：%1").arg(numbersText(kept));
    if (!shaded.empty())
        keptText += QStringLiteral("（前面位置已保留：%1）").arg(numbersText(shaded));
    keptLabel->setText(keptText);

    auto* left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("公式总计算结果情况统计"), page));
    left->addWidget(list);
    left->addWidget(keptLabel);
    auto* right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("该类公式计算综合结果"), page));
    right->addWidget(summary);
    right->addWidget(new VoteBarChart(m_result, position, page));
    auto* layout = new QHBoxLayout(page);
    layout->addLayout(left, 3);
    layout->addLayout(right, 2);
    return page;
}

void ErrorValuesWindow::fillList(int index)
{
    const TabState& state = m_tabs[static_cast<size_t>(index)];
    QTableWidget* list = state.list;
    const std::set<int>& shaded = m_marks.shaded[static_cast<size_t>(index)];
    const std::set<int> drawn = ErrorValuesTable::drawnAt(m_result, state.position);
    // After a re-sort the headings carry "（公式错误值）" on a second line, so the
    // columns keep their width and the verdict stays in view.
    const QString suffix = state.resorted ? QStringLiteral("\n（公式错误值）") : QString();
    list->setHorizontalHeaderLabels({QStringLiteral("排序序号"), QStringLiteral("号码"),
                                     QStringLiteral("杀留Err值") + suffix, QStringLiteral("杀码Err值") + suffix,
                                     QStringLiteral("留码Err值") + suffix, QStringLiteral("保留/滤杀")});
    list->setUpdatesEnabled(false);
    const auto rows = ErrorValuesTable::order(m_result, state.position, state.column, state.reversed);
    list->setRowCount(static_cast<int>(rows.size()));
    for (size_t i = 0; i < rows.size(); ++i) {
        const ErrorValueRow& row = rows[i];
        const int r = static_cast<int>(i);
        const QString texts[] = {QString::number(row.place),      QString::number(row.number),
                                 QString::number(row.tally.vote), QString::number(row.tally.kill),
                                 QString::number(row.tally.keep), ErrorValuesTable::verdictText(row.filtered)};
        for (int c = 0; c < 6; ++c) {
            QTableWidgetItem* item = cell(texts[c]);
            // Grey marks a number an earlier position already kept; green a filtered one.
            if (shaded.contains(row.number))
                item->setBackground(kKeptEarlierColour);
            else if (row.filtered)
                item->setBackground(kFilteredColour);
            if (drawn.contains(row.number))
                markDrawn(item);
            list->setItem(r, c, item);
        }
    }
    sizeColumns(list);
    list->setUpdatesEnabled(true);
}

void ErrorValuesWindow::markDrawn(QTableWidgetItem* item) const
{
    QFont font = item->font();
    font.setBold(true);
    item->setFont(font);
    item->setForeground(kDrawnColour);
    item->setToolTip(QStringLiteral("第%1期开出的号码").arg(m_result.verifiedIssue));
}

// Each column as wide as its cells and the longest line of its heading.
void ErrorValuesWindow::sizeColumns(QTableWidget* list)
{
    QFont bold = list->font();
    bold.setBold(true); // the verified issue's numbers
    const QFontMetrics metrics(bold);
    const QFontMetrics headerMetrics(list->horizontalHeader()->font());
    const int padding = 2 * list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 14;
    int total = 2 * list->frameWidth() + list->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < list->columnCount(); ++c) {
        int width = 0;
        for (const QString& line : list->horizontalHeaderItem(c)->text().split(u'\n'))
            width = std::max(width, headerMetrics.horizontalAdvance(line));
        for (int r = 0; r < list->rowCount(); ++r)
            width = std::max(width, metrics.horizontalAdvance(list->item(r, c)->text()));
        list->setColumnWidth(c, width + padding);
        total += width + padding;
    }
    // The list claims the width of all its columns, the verdict included.
    list->setMinimumWidth(total);
}

void ErrorValuesWindow::fillSummary(QTableWidget* grid, int position)
{
    const auto rows = ErrorValuesTable::summary(m_result, position);
    grid->setColumnCount(3);
    grid->setHorizontalHeaderLabels({QStringLiteral("杀留次数"), QStringLiteral("个数"), QStringLiteral("项目")});
    grid->setRowCount(static_cast<int>(rows.size()));
    for (size_t i = 0; i < rows.size(); ++i) {
        std::set<int> numbers(rows[i].numbers.begin(), rows[i].numbers.end());
        const int r = static_cast<int>(i);
        grid->setItem(r, 0, cell(QString::number(rows[i].count)));
        grid->setItem(r, 1, cell(QString::number(rows[i].numbers.size())));
        grid->setItem(r, 2, cell(numbersText(numbers)));
    }
    grid->resizeColumnsToContents();
    grid->horizontalHeader()->setStretchLastSection(true);
}

void ErrorValuesWindow::resort(int tab, int column)
{
    if (tab < 0 || tab >= static_cast<int>(m_tabs.size()))
        return;
    TabState& state = m_tabs[static_cast<size_t>(tab)];
    state.reversed = !state.reversed;
    if (column < 1 || column > 4)
        return;
    state.column = static_cast<ErrorValueColumn>(column);
    state.resorted = true;
    fillList(tab);
}

QString ErrorValuesWindow::exportCurrentTab()
{
    const int tab = m_tabStrip->currentIndex();
    if (tab < 0)
        return QString();
    const QString path = QDir(m_db.dataDirectory()).filePath(ErrorValuesExport::fileName());
    try {
        // The stored table and the file show the same position: the one on screen.
        ErrorValuesTable::store(m_db.sql(), m_result, m_tabs[static_cast<size_t>(tab)].position);
        ErrorValuesExport::write(path, ErrorValuesTable::readByKillCount(m_db.sql(), m_result.kill));
    } catch (const UserError& e) {
        m_sink(e.title(), e.message());
        return QString();
    }
    // The file is kept either way; the user is told when no program could show it.
    if (!m_openExports()) {
        m_note(QStringLiteral("导出表格"), QStringLiteral("已写入 %1").arg(QDir::toNativeSeparators(path)));
        return path;
    }
    if (!m_opener(path))
        m_sink(QStringLiteral("列表显示错误"),
               QStringLiteral("您的电脑没有可以打开表格文件的软件，多参数列表无法显示。\n文件已保存：%1")
                   .arg(QDir::toNativeSeparators(path)));
    return path;
}

void ErrorValuesWindow::showDetails()
{
    DetailListWindow details(m_result, this);
    details.exec();
}
