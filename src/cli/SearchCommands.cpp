// search and tune: looking for formulas by random trial, and deriving bounds.
#include "CliCommandGroups.h"
#include "CliContext.h"
#include "CliJson.h"
#include "CliOptions.h"
#include "analysis/MethodVerdict.h"
#include "common/UserError.h"
#include "history/HistorySnapshot.h"
#include "search/BoundTuner.h"
#include "search/FoundFormulaStore.h"
#include "search/HoldOut.h"
#include "search/NullSearch.h"
#include "search/PlanSearch.h"
#include "search/SearchEngine.h"
#include "search/SearchSession.h"
#include "search/SearchSettings.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <algorithm>
#include <array>
#include <chrono>
#include <limits>

namespace {

constexpr int kIntMax = std::numeric_limits<int>::max();
constexpr int kMaxNullRuns = 1000;

FormulaTarget targetOf(const CliOptions& options) { return FormulaTarget(options.kind(), options.killFlag(true)); }

std::uint64_t seedOf(const CliOptions& options)
{
    return options.seed(static_cast<std::uint64_t>(QDateTime::currentMSecsSinceEpoch()));
}

SearchOptions searchOptionsOf(CliContext& context, const CliOptions& options)
{
    SearchOptions result;
    result.operands =
        options.integer(QStringLiteral("operands"), CandidateGenerator::kMinOperands, CandidateGenerator::kMaxOperands,
                        SearchSettings(context.settings().store()).operandCount());
    if (options.text(QStringLiteral("constant")).trimmed().compare(QStringLiteral("random"), Qt::CaseInsensitive) == 0)
        result.constant.reset();
    else
        result.constant = options.integer(QStringLiteral("constant"), -CandidateGenerator::kMaxConstantMagnitude,
                                          CandidateGenerator::kMaxConstantMagnitude, 0);
    result.form = options.choice(QStringLiteral("form"), {QStringLiteral("suffix"), QStringLiteral("bracket")},
                                 QStringLiteral("suffix")) == u"bracket"
                      ? TextForm::Bracket
                      : TextForm::Suffix;
    return result;
}

std::optional<StoreMode> storeModeOf(const CliOptions& options)
{
    if (!options.isSet(QStringLiteral("store")))
        return std::nullopt;
    return options.choice(QStringLiteral("store"), {QStringLiteral("append"), QStringLiteral("replace")}, {}) ==
                   u"append"
               ? StoreMode::Append
               : StoreMode::Replace;
}

void requireHistory(const HistorySnapshot& history)
{
    if (history.size() < 2)
        throw UserError(QStringLiteral("公式搜索"), QStringLiteral("历史数据不足两期，无法搜索公式"));
}

// Everything a search run is told, read and checked before any work starts.
struct SearchRequest {
    bool plan = false;
    SearchPlan::Mode planMode = SearchPlan::Mode::NewCount;
    std::optional<FormulaTarget> target; // the single kind; nothing for a plan
    std::optional<StatisticBounds> bounds; // --bounds; nothing: the kind's saved bounds
    bool kill = true;
    std::uint64_t seed = 0;
    SearchOptions shape;
    ScoringWindow window;
    std::optional<StoreMode> storeMode;
    int candidates = 10000;
    int wanted = 0;
    int threads = 0;
    bool holdOut = false; // --holdout given
    std::optional<int> holdOutDraws; // its count; nothing for "auto"
    int nullRuns = 0; // --null-runs: the same search on this many shuffled copies
};

SearchRequest searchRequest(CliContext& context, const CliOptions& options)
{
    SearchRequest request;
    request.plan = options.isSet(QStringLiteral("plan"));
    request.kill = options.killFlag(true);
    if (request.plan) {
        request.planMode = options.choice(QStringLiteral("mode"), {QStringLiteral("new"), QStringLiteral("hold")},
                                          QStringLiteral("new")) == u"hold"
                               ? SearchPlan::Mode::HoldCount
                               : SearchPlan::Mode::NewCount;
    } else {
        request.target = targetOf(options);
        if (options.isSet(QStringLiteral("bounds"))) {
            std::array<double, StatisticBounds::kCount> values{};
            std::ranges::copy(options.decimals(QStringLiteral("bounds"), StatisticBounds::kCount), values.begin());
            request.bounds = StatisticBounds(values);
        }
        request.wanted = options.integer(QStringLiteral("target"), 0, kIntMax, 0);
    }
    request.seed = seedOf(options);
    request.shape = searchOptionsOf(context, options);
    request.window = options.window(context.settings());
    request.storeMode = storeModeOf(options);
    request.candidates = options.integer(QStringLiteral("candidates"), 1, kIntMax, 10000);
    request.threads = options.threads();
    request.holdOut = options.isSet(QStringLiteral("holdout"));
    if (request.holdOut &&
        options.text(QStringLiteral("holdout")).trimmed().compare(QStringLiteral("auto"), Qt::CaseInsensitive) != 0)
        request.holdOutDraws = options.integer(QStringLiteral("holdout"), 1, kIntMax, 0);
    request.nullRuns = options.integer(QStringLiteral("null-runs"), 0, kMaxNullRuns, 0);
    if (request.nullRuns > 0 && request.plan)
        throw CliOptions::badInput(QStringLiteral("--null-runs repeats one kind's search; it cannot go with --plan"));
    return request;
}

// The draws held out: as asked, or 20% of the window ("auto"); 0 without --holdout.
int heldOutDraws(const SearchRequest& request, const HistorySnapshot& history)
{
    if (!request.holdOut)
        return 0;
    const int draws = request.holdOutDraws.value_or(HoldOut::defaultDraws(history.size(), request.window));
    HoldOut::check(draws, history.size());
    return draws;
}

// Runs every kind of the stored plan; --candidates limits each kind, so a plan always ends.
std::uint64_t runPlan(SearchSession& session, SearchSettings& settings, FoundFormulaStore& store,
                      const SearchRequest& request)
{
    SearchPlan searchPlan;
    searchPlan.kill = request.kill;
    searchPlan.mode = request.planMode;
    std::array<QString, 11> saved;
    for (int kind = 1; kind <= 10; ++kind)
        saved[static_cast<size_t>(kind)] = settings.planCount(kind, request.kill);
    searchPlan.counts = SearchPlan::countsOf(saved);
    // Stored after the run rather than by the plan, so the found list can still be reported.
    PlanSearch planSearch(session, settings.loadBounds(), request.shape, &store);
    planSearch.start(searchPlan, store.existingCounts(request.kill));
    const auto cap = static_cast<std::uint64_t>(request.candidates);
    while (!planSearch.finished() && !session.full()) {
        const int kind = planSearch.currentKind();
        planSearch.tick({cap - std::min(cap, planSearch.kindEvaluated()), std::nullopt});
        if (planSearch.currentKind() == kind && planSearch.kindEvaluated() >= cap)
            planSearch.giveUpKind();
    }
    return session.nextIndex();
}

std::uint64_t runSingle(SearchSession& session, SearchSettings& settings, const SearchRequest& request)
{
    const FormulaTarget& target = *request.target;
    const StatisticBounds bounds = request.bounds.value_or(settings.loadBounds().bounds(target.kind, target.kill));
    session.begin(target, bounds, request.shape);
    session.run({static_cast<std::uint64_t>(request.candidates), std::nullopt},
                request.wanted > 0 ? static_cast<std::uint64_t>(request.wanted) : SearchSession::kUnlimited);
    return session.verifiedCount();
}

struct SearchOutcome {
    int heldOut = 0;
    std::uint64_t evaluated = 0;
    double seconds = 0;
    int threads = 0;
    bool full = false;
    FoundStoreResult stored;
    std::optional<double> bestZ; // the largest z among the found formulas
    std::optional<NullSearchSummary> null; // --null-runs
};

QJsonValue orNull(const std::optional<double>& v) { return v ? QJsonValue(*v) : QJsonValue(); }

QJsonObject nullJson(const NullSearchSummary& n)
{
    QJsonArray counts;
    for (int c : n.foundPerRun)
        counts.append(c);
    return QJsonObject{{QStringLiteral("runs"), n.runs},
                       {QStringLiteral("found_per_run"), counts},
                       {QStringLiteral("mean_found"), n.meanFound},
                       {QStringLiteral("mean_rate"), orNull(n.meanRate)},
                       {QStringLiteral("best_z"), orNull(n.bestZ)}};
}

QString verdictText(const std::vector<FoundFormula>& found, const SearchOutcome& outcome)
{
    const int count = static_cast<int>(found.size());
    if (!outcome.null)
        return MethodVerdict::searchText(count, outcome.bestZ, NullSearch::chanceBestZ(outcome.evaluated),
                                         outcome.evaluated);
    return MethodVerdict::searchText(count, outcome.bestZ, NullSearch::chanceBestZ(outcome.evaluated),
                                     outcome.evaluated, outcome.null->runs, outcome.null->meanFound,
                                     NullSearch::exceedance(count, outcome.null->foundPerRun));
}

// A found row's figures on the held-out draws; null where nothing was measured.
void insertHeldOut(QJsonObject& o, const std::optional<FormulaStatistics>& s)
{
    const bool known = s && s->hasChance();
    o.insert(QStringLiteral("holdout_rate"), known ? QJsonValue(static_cast<double>(s->rate)) : QJsonValue());
    o.insert(QStringLiteral("holdout_z"), known ? QJsonValue(s->z) : QJsonValue());
    o.insert(QStringLiteral("holdout_expected_rate"), known ? QJsonValue(s->expectedRate) : QJsonValue());
}

QJsonObject summaryJson(const HoldOutSummary& summary)
{
    QJsonObject o;
    o.insert(QStringLiteral("held_out"), summary.heldOut);
    o.insert(QStringLiteral("formulas"), summary.count);
    const auto mean = [&summary](double v) { return summary.count > 0 ? QJsonValue(v) : QJsonValue(); };
    o.insert(QStringLiteral("mean_in_sample_rate"), mean(summary.inSampleRate));
    o.insert(QStringLiteral("mean_holdout_rate"), mean(summary.heldOutRate));
    o.insert(QStringLiteral("chance_rate"), mean(summary.chanceRate));
    return o;
}

QString heldOutLine(const FoundFormula& f)
{
    if (!f.heldOut || !f.heldOut->hasChance())
        return f.text;
    return QStringLiteral("%1\tin-sample %2%\theld-out %3%\tz %4")
        .arg(f.text)
        .arg(static_cast<double>(f.statistics.rate), 0, 'f', 4)
        .arg(static_cast<double>(f.heldOut->rate), 0, 'f', 4)
        .arg(f.heldOut->z, 0, 'f', 2);
}

QString summaryLine(const HoldOutSummary& s)
{
    return QStringLiteral("hold-out %1 draws, %2 formulas: mean in-sample rate %3%, mean held-out rate %4%, chance %5%")
        .arg(s.heldOut)
        .arg(s.count)
        .arg(s.inSampleRate, 0, 'f', 4)
        .arg(s.heldOutRate, 0, 'f', 4)
        .arg(s.chanceRate, 0, 'f', 4);
}

void printSearch(CliContext& context, const SearchRequest& request, const std::vector<FoundFormula>& found,
                 const SearchOutcome& outcome)
{
    const double rate = outcome.seconds > 0 ? static_cast<double>(outcome.evaluated) / outcome.seconds : 0.0;
    if (context.json()) {
        QJsonArray list;
        for (const FoundFormula& f : found) {
            QJsonObject o = CliJson::statistics(f.statistics);
            o.insert(QStringLiteral("gongshi"), f.code);
            o.insert(QStringLiteral("gongshiCN"), f.text);
            o.insert(QStringLiteral("table"), f.target.tableName());
            o.insert(QStringLiteral("bolKill"), f.target.kill);
            if (outcome.heldOut > 0)
                insertHeldOut(o, f.heldOut);
            list.append(o);
        }
        QJsonObject result;
        result.insert(QStringLiteral("found"), list);
        result.insert(QStringLiteral("evaluated"), static_cast<double>(outcome.evaluated));
        result.insert(QStringLiteral("elapsedSeconds"), outcome.seconds);
        result.insert(QStringLiteral("candidatesPerSecond"), rate);
        result.insert(QStringLiteral("threads"), outcome.threads);
        result.insert(QStringLiteral("seed"), QString::number(request.seed));
        result.insert(QStringLiteral("full"), outcome.full);
        result.insert(QStringLiteral("storedTables"), QJsonArray::fromStringList(outcome.stored.tables));
        result.insert(QStringLiteral("replaced"), outcome.stored.replaced);
        result.insert(QStringLiteral("removed"), outcome.stored.removed);
        if (outcome.heldOut > 0)
            result.insert(QStringLiteral("holdout_summary"), summaryJson(HoldOut::summarize(found, outcome.heldOut)));
        result.insert(QStringLiteral("best_z"), orNull(outcome.bestZ));
        result.insert(QStringLiteral("chance_best_z"), NullSearch::chanceBestZ(outcome.evaluated));
        QJsonObject verdict{{QStringLiteral("title"), MethodVerdict::title()},
                            {QStringLiteral("text"), verdictText(found, outcome)}};
        if (outcome.null) {
            result.insert(QStringLiteral("null"), nullJson(*outcome.null));
            verdict.insert(QStringLiteral("p_value"),
                           NullSearch::exceedance(static_cast<int>(found.size()), outcome.null->foundPerRun));
        }
        result.insert(QStringLiteral("verdict"), verdict);
        context.printJson(result);
        return;
    }
    for (const FoundFormula& f : found)
        context.printLine(outcome.heldOut > 0 ? heldOutLine(f) : f.text);
    if (outcome.heldOut > 0)
        context.printLine(summaryLine(HoldOut::summarize(found, outcome.heldOut)));
    context.printLine(QStringLiteral("found %1, evaluated %2 in %3 s (%4 per second, %5 threads, seed %6)")
                          .arg(found.size())
                          .arg(outcome.evaluated)
                          .arg(outcome.seconds, 0, 'f', 3)
                          .arg(rate, 0, 'f', 0)
                          .arg(outcome.threads)
                          .arg(request.seed));
    if (outcome.full)
        context.printLine(QStringLiteral("找到的公式已达%1条上限，搜索已停止").arg(SearchSession::kCapacity));
    context.printLine(verdictText(found, outcome));
    if (request.storeMode)
        context.printLine(FoundFormulaStore::messageFor(outcome.stored));
}

int searchCommand(CliContext& context, const CliOptions& options)
{
    const SearchRequest request = searchRequest(context, options);
    Database& db = context.database();
    const HistorySnapshot history = HistorySnapshot::load(db.sql());
    requireHistory(history);
    SearchEngine engine(request.threads);
    SearchSession session(engine, history, context.lottery().numberRange, request.window, request.seed);
    SearchOutcome outcome;
    outcome.heldOut = heldOutDraws(request, history);
    session.setHeldOut(outcome.heldOut);
    SearchSettings settings(context.settings().store());
    FoundFormulaStore store(db);

    const auto started = std::chrono::steady_clock::now();
    outcome.evaluated =
        request.plan ? runPlan(session, settings, store, request) : runSingle(session, settings, request);
    if (request.storeMode)
        outcome.stored = store.store(session.found(), *request.storeMode);
    outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    outcome.threads = engine.threadCount();
    outcome.full = session.full();
    outcome.bestZ =
        NullSearch::bestZ(session.searched(), session.found(), context.lottery().numberRange, request.window);
    if (request.nullRuns > 0) {
        NullSearchRequest null;
        null.target = *request.target;
        null.bounds = session.bounds();
        null.shape = request.shape;
        null.window = request.window;
        null.seed = request.seed;
        null.candidates = static_cast<std::uint64_t>(request.candidates);
        null.wanted = static_cast<std::uint64_t>(request.wanted);
        null.heldOut = outcome.heldOut;
        null.range = context.lottery().numberRange;
        null.drawsPerDay = context.lottery().drawsPerDay;
        null.runs = request.nullRuns;
        outcome.null = NullSearch::run(engine, history, null);
    }
    printSearch(context, request, session.found(), outcome);
    return 0;
}

int trialsOf(const CliOptions& options)
{
    const int trials = options.integer(QStringLiteral("trials"), BoundTuner::kMinTrials, BoundTuner::kMaxTrials,
                                       BoundTuner::kMinTrials);
    if (trials % BoundTuner::kTrialStep != 0)
        throw CliOptions::badInput(QStringLiteral("--trials needs %1..%2 in steps of %3")
                                       .arg(BoundTuner::kMinTrials)
                                       .arg(BoundTuner::kMaxTrials)
                                       .arg(BoundTuner::kTrialStep));
    return trials;
}

void printTune(CliContext& context, const FormulaTarget& target, const BoundTuner::Result& result,
               const QStringList& boxes, bool saved, std::uint64_t seed)
{
    if (!context.json()) {
        context.printLine(QStringLiteral("%1 %2: evaluated %3, bounds %4")
                              .arg(target.tableName(), target.killWord())
                              .arg(result.evaluated)
                              .arg(boxes.join(u',')));
        return;
    }
    QJsonObject out;
    out.insert(QStringLiteral("table"), target.tableName());
    out.insert(QStringLiteral("bolKill"), target.kill);
    out.insert(QStringLiteral("evaluated"), result.evaluated);
    out.insert(QStringLiteral("tuned"), CliJson::statistics(result.tuned));
    out.insert(QStringLiteral("last"), CliJson::statistics(result.last));
    out.insert(QStringLiteral("bounds"), QJsonArray::fromStringList(boxes));
    out.insert(QStringLiteral("saved"), saved);
    out.insert(QStringLiteral("seed"), QString::number(seed));
    context.printJson(out);
}

int tuneCommand(CliContext& context, const CliOptions& options)
{
    const FormulaTarget target = targetOf(options);
    const int trials = trialsOf(options);
    const std::uint64_t seed = seedOf(options);
    const SearchOptions shape = searchOptionsOf(context, options);
    const ScoringWindow window = options.window(context.settings());
    const int threads = options.threads();
    const bool save = options.isSet(QStringLiteral("save"));

    const HistorySnapshot history = HistorySnapshot::load(context.database().sql());
    requireHistory(history);
    SearchEngine engine(threads);
    BoundTuner tuner(engine, history, context.lottery().numberRange, window);
    const BoundTuner::Result result = tuner.tune(target, shape, seed, trials);

    SearchSettings settings(context.settings().store());
    DefaultBounds defaults = settings.loadBounds();
    const QStringList boxes = BoundTuner::writeBack(result.tuned, defaults.bounds(target.kind, target.kill).texts());
    if (save) {
        settings.saveBounds(target.kind, target.kill, StatisticBounds::fromTexts(boxes), defaults);
        settings.setOperandCount(shape.operands);
    }
    printTune(context, target, result, boxes, save, seed);
    return 0;
}

// The options search and tune share: the shape of the candidates and the window.
QList<QCommandLineOption> candidateOptions()
{
    QList<QCommandLineOption> options{
        QCommandLineOption(QStringLiteral("operands"),
                           QStringLiteral("operands per formula, %1..%2; default: the stored setting")
                               .arg(CandidateGenerator::kMinOperands)
                               .arg(CandidateGenerator::kMaxOperands),
                           QStringLiteral("K")),
        QCommandLineOption(QStringLiteral("constant"),
                           QStringLiteral("tail constant, |C| <= %1, or random 0..10 per candidate; default 0")
                               .arg(CandidateGenerator::kMaxConstantMagnitude),
                           QStringLiteral("C|random")),
        QCommandLineOption(QStringLiteral("form"), QStringLiteral("text form of found formulas; default suffix"),
                           QStringLiteral("suffix|bracket")),
        CliOptions::seedOption(QStringLiteral("the clock")), CliOptions::threadsOption()};
    return options + CliOptions::windowOptions();
}

CliCommand searchDefinition()
{
    CliCommand command;
    command.words = {QStringLiteral("search")};
    command.summary = QStringLiteral("random search for formulas; the same seed finds the same on any thread count");
    command.options = {
        CliOptions::tableOption(),
        CliOptions::flagOption(QStringLiteral("default: kill")),
        QCommandLineOption(QStringLiteral("candidates"),
                           QStringLiteral("candidates to try (per kind with --plan); default 10000"),
                           QStringLiteral("N")),
        QCommandLineOption(QStringLiteral("bounds"),
                           QStringLiteral("the ten acceptance bounds; default: the kind's saved bounds"),
                           QStringLiteral("b0,..,b9")),
        QCommandLineOption(QStringLiteral("target"), QStringLiteral("stop after N found; default 0 = no limit"),
                           QStringLiteral("N")),
        QCommandLineOption(QStringLiteral("store"), QStringLiteral("store what was found into the formula tables"),
                           QStringLiteral("append|replace")),
        QCommandLineOption(QStringLiteral("plan"),
                           QStringLiteral("run the stored search plan over every kind instead of --table")),
        QCommandLineOption(QStringLiteral("mode"), QStringLiteral("plan counts as new formulas (default) or as held"),
                           QStringLiteral("new|hold")),
        QCommandLineOption(
            QStringLiteral("holdout"),
            QStringLiteral("hold out the newest M draws: the search sees only the older ones and each "
                           "found formula is scored on the held-out draws too; auto = 20% of the window"),
            QStringLiteral("M|auto")),
        QCommandLineOption(QStringLiteral("null-runs"),
                           QStringLiteral("repeat the same search on N copies of the history with the draws "
                                          "shuffled, to see what chance alone finds; 0..%1, default 0")
                               .arg(kMaxNullRuns),
                           QStringLiteral("N"))};
    command.options += candidateOptions();
    command.run = searchCommand;
    return command;
}

CliCommand tuneDefinition()
{
    CliCommand command;
    command.words = {QStringLiteral("tune")};
    command.summary = QStringLiteral("tune the acceptance bounds of one kind over random candidates");
    command.options = {CliOptions::tableOption(), CliOptions::flagOption(QStringLiteral("default: kill")),
                       QCommandLineOption(QStringLiteral("trials"),
                                          QStringLiteral("candidates to score, %1..%2 in steps of %3; default %1")
                                              .arg(BoundTuner::kMinTrials)
                                              .arg(BoundTuner::kMaxTrials)
                                              .arg(BoundTuner::kTrialStep),
                                          QStringLiteral("N")),
                       QCommandLineOption(QStringLiteral("save"),
                                          QStringLiteral("store the bounds as the kind's defaults, and the operands"))};
    command.options += candidateOptions();
    command.run = tuneCommand;
    return command;
}

} // namespace

std::vector<CliCommand> searchCommands() { return {searchDefinition(), tuneDefinition()}; }
