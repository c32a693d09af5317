#pragma once

#include "common/LotteryTable.h"
#include "search/NullSearch.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class HistorySnapshot;
class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTimer;
class SearchEngine;

// The search window's check against chance ("打乱顺序对照"): the search as it
// stands is repeated on N shuffled copies of the history, one slice of time per
// tick, and the line below says what chance alone found with these bounds
// beside what the search found, with the best z that chance gives among that
// many candidates.
class NullRunsBox : public QWidget {
    Q_OBJECT
public:
    // The search to repeat: its request (runs is filled here), what it found and
    // its best z. Nothing when there is no search to repeat.
    struct Search {
        NullSearchRequest request;
        int found = 0;
        std::optional<double> bestZ;
    };
    using SearchSource = std::function<std::optional<Search>()>;

    NullRunsBox(SearchEngine& engine, const HistorySnapshot& history, QWidget* parent = nullptr);
    ~NullRunsBox() override;

    void setSearchSource(SearchSource source) { m_source = std::move(source); }
    // Whether the box is ticked: the window starts the copies when a search stops.
    bool wanted() const;
    // Starts the copies of the search the source gives (nothing without one).
    void start();
    // What a stopped search comes to: the copies when the box is ticked, else
    // the line with the search's best z beside the best z chance gives.
    void searchStopped();
    void stop();
    bool running() const { return m_search != nullptr; }
    QString text() const;

private:
    void tick();
    void showOutcome();

    SearchEngine& m_engine;
    const HistorySnapshot& m_history;
    SearchSource m_source;
    std::optional<Search> m_real;
    std::unique_ptr<NullSearch> m_search;
    QCheckBox* m_enabled = nullptr;
    QSpinBox* m_runs = nullptr;
    QPushButton* m_run = nullptr;
    QLabel* m_line = nullptr;
    QTimer* m_timer = nullptr;
};
