#pragma once

#include "analysis/BackTestResult.h"
#include "scoring/FormulaStatistics.h"

#include <QDialog>
#include <array>
#include <functional>
#include <memory>

class HistoryList;
class HistoryListModel;
class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;
class QPushButton;
class QRadioButton;
class QTableView;
class RankChart;

// How the next back-test asked for in the window replays: plainly, or walking
// forward with these settings.
struct ReplayChoice {
    bool walkForward = false;
    int lookBack = 300;
    StatisticKey rankBy = StatisticKey::Rate;
    int top = 20;
};

// frmLslb "历史开奖列表": the last back-test draw by draw for one position, with
// the rank chart beside it. Modeless; showResult() refills it after a new back-test.
// The walk-forward box asks for the replay in which every draw is voted on only
// with what was known before it ("重新回测" emits replayRequested); the verdict
// line ("方法检验") then sets it against the plain back-test.
class HistoryListWindow : public QDialog {
    Q_OBJECT
public:
    using MessageSink = std::function<void(const QString& title, const QString& text)>;
    // Hands a written file to the desktop; false when nothing could open it.
    using FileOpener = std::function<bool(const QString& path)>;

    explicit HistoryListWindow(QString dataDirectory, QWidget* parent = nullptr);
    ~HistoryListWindow() override;

    // Shows a new back-test, starting at `position` (the play's K).
    void showResult(std::shared_ptr<const BackTestResult> result, int position);
    // Command2: refills the list for the position chosen with Option2.
    void refill();
    // Command1 writes Print.xlsx, a double click on the list Jieguo.xlsx, in the
    // data directory. Returns the path, or nothing when the file could not be written.
    QString exportList(const QString& fileName);

    const HistoryList* list() const;
    int chosenPosition() const;
    // Warnings, and where an export went (when it is not opened).
    void setMessageSink(MessageSink sink)
    {
        m_sink = sink;
        m_note = std::move(sink);
    }
    // 导出后打开文件: asked at each export; without it exports are opened.
    void setOpenExports(std::function<bool()> wanted) { m_openExports = std::move(wanted); }
    // The walk-forward settings the box starts from (the look-back setting).
    void setReplayDefaults(const ReplayChoice& choice);
    ReplayChoice replayChoice() const;
    // The "方法检验" line under the list; empty hides it.
    void setVerdict(const QString& text);
    QString verdict() const;

signals:
    void replayRequested(const ReplayChoice& choice);

public:
    void setFileOpener(FileOpener opener) { m_opener = std::move(opener); }

private:
    void showFormulaLine();

    QString m_dataDirectory;
    std::shared_ptr<const BackTestResult> m_result;
    HistoryListModel* m_model = nullptr;
    QTableView* m_grid = nullptr; // MSFlexGrid1
    std::array<QRadioButton*, 5> m_positions{}; // Option2_0 .. Option2_4
    QPushButton* m_refill = nullptr; // Command2
    QPushButton* m_export = nullptr; // Command1
    QLabel* m_formulas = nullptr;
    QCheckBox* m_walkForward = nullptr;
    QSpinBox* m_lookBack = nullptr;
    QComboBox* m_rankBy = nullptr;
    QSpinBox* m_top = nullptr;
    QPushButton* m_replay = nullptr;
    QLabel* m_verdict = nullptr;
    RankChart* m_chart = nullptr;
    MessageSink m_sink;
    MessageSink m_note;
    std::function<bool()> m_openExports = [] { return true; };
    FileOpener m_opener;
};
