// search and tune: looking for formulas by random trial, and deriving bounds.
#include "CliContext.h"
#include "common/UserError.h"
#include "history/HistorySnapshot.h"
#include "search/BoundTuner.h"
#include "search/FoundFormulaStore.h"
#include "search/PlanSearch.h"
#include "search/SearchEngine.h"
#include "search/SearchSession.h"
#include "search/SearchSettings.h"
#include "search/WorkerPool.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <chrono>

namespace {

UserError badOption(const QString& message) { return UserError(QStringLiteral("参数错误"), message); }

FormulaTarget targetOf(const CliArguments& options)
{
    const QString table = Database::canonicalFormulaTable(options.value(QStringLiteral("table")));
    if (table.isEmpty())
        throw badOption(QStringLiteral("--table needs one of %1").arg(Database::formulaTableNames().join(u',')));
    FormulaTarget target;
    target.position = table.at(7).digitValue();
    target.group = table.endsWith(u'G');
    return target;
}

bool killFlag(const CliArguments& options)
{
    const QString flag = options.value(QStringLiteral("flag"), QStringLiteral("kill"));
    if (flag != u"kill" && flag != u"keep")
        throw badOption(QStringLiteral("--flag needs kill or keep"));
    return flag == u"kill";
}

std::uint64_t seedOf(const CliArguments& options)
{
    if (!options.has(QStringLiteral("seed")))
        return static_cast<std::uint64_t>(QDateTime::currentMSecsSinceEpoch());
    bool ok = false;
    const std::uint64_t seed = options.value(QStringLiteral("seed")).toULongLong(&ok);
    if (!ok)
        throw badOption(QStringLiteral("--seed needs a non-negative integer"));
    return seed;
}

ScoringWindow windowOf(CliContext& context, const CliArguments& options)
{
    ScoringWindow window;
    window.lookBack = options.integer(QStringLiteral("window"), context.settings().lookBackDraws());
    if (window.lookBack < 0)
        throw badOption(QStringLiteral("--window needs 0 or a positive draw count"));
    window.excludeCurrent =
        options.boolean(QStringLiteral("exclude-current")).value_or(context.settings().excludeCurrent());
    window.weighted = options.boolean(QStringLiteral("weighted")).value_or(context.settings().weightedRate());
    return window;
}

SearchOptions searchOptionsOf(CliContext& context, const CliArguments& options)
{
    QSettings& store = context.settings().store();
    SearchOptions result;
    result.operands = options.integer(QStringLiteral("operands"), SearchSettings(store).operandCount());
    if (result.operands < CandidateGenerator::kMinOperands || result.operands > CandidateGenerator::kMaxOperands)
        throw badOption(QStringLiteral("--operands needs %1..%2")
                            .arg(CandidateGenerator::kMinOperands)
                            .arg(CandidateGenerator::kMaxOperands));
    const QString constant = options.value(QStringLiteral("constant"), QStringLiteral("0"));
    if (constant == u"random") {
        result.constant.reset();
    } else {
        bool ok = false;
        result.constant = constant.toInt(&ok);
        if (!ok)
            throw badOption(QStringLiteral("--constant needs an integer or random"));
    }
    const QString form = options.value(QStringLiteral("form"), QStringLiteral("suffix"));
    if (form != u"suffix" && form != u"bracket")
        throw badOption(QStringLiteral("--form needs suffix or bracket"));
    result.form = form == u"bracket" ? TextForm::Bracket : TextForm::Suffix;
    return result;
}

std::optional<StoreMode> storeModeOf(const CliArguments& options)
{
    if (!options.has(QStringLiteral("store")))
        return std::nullopt;
    const QString mode = options.value(QStringLiteral("store"));
    if (mode == u"append")
        return StoreMode::Append;
    if (mode == u"replace")
        return StoreMode::Replace;
    throw badOption(QStringLiteral("--store needs append or replace"));
}

const HistorySnapshot& requireHistory(const HistorySnapshot& history)
{
    if (history.size() < 2)
        throw UserError(QStringLiteral("公式搜索"), QStringLiteral("历史数据不足两期，无法搜索公式"));
    return history;
}

QJsonObject statisticsObject(const FormulaStatistics& s)
{
    QJsonObject o;
    o.insert(QStringLiteral("sglGsRate"), static_cast<double>(s.rate));
    o.insert(QStringLiteral("intGsErrCon"), s.longestMissRun);
    o.insert(QStringLiteral("intGsTrueCon"), s.longestHitRun);
    o.insert(QStringLiteral("intGsErrLst"), s.lastMissRun);
    o.insert(QStringLiteral("intGsTrueLst"), s.lastHitRun);
    return o;
}

int searchCommand(CliContext& context, const QStringList& args)
{
    const CliArguments options(args, {QStringLiteral("plan")});
    options.allowOnly({QStringLiteral("table"), QStringLiteral("flag"), QStringLiteral("operands"),
                       QStringLiteral("candidates"), QStringLiteral("seed"), QStringLiteral("bounds"),
                       QStringLiteral("constant"), QStringLiteral("store"), QStringLiteral("threads"),
                       QStringLiteral("plan"), QStringLiteral("mode"), QStringLiteral("target"), QStringLiteral("form"),
                       QStringLiteral("window"), QStringLiteral("exclude-current"), QStringLiteral("weighted")});
    const bool plan = options.has(QStringLiteral("plan"));
    const bool kill = killFlag(options);
    const std::uint64_t seed = seedOf(options);
    const SearchOptions searchOptions = searchOptionsOf(context, options);
    const ScoringWindow window = windowOf(context, options);
    const std::optional<StoreMode> storeMode = storeModeOf(options);
    const int candidates = options.integer(QStringLiteral("candidates"), 10000);
    if (candidates < 1)
        throw badOption(QStringLiteral("--candidates needs a positive count"));
    const int threads = options.integer(QStringLiteral("threads"), 0);
    if (threads < 0)
        throw badOption(QStringLiteral("--threads needs 0 (all cores) or a positive count"));

    Database& db = context.database();
    const HistorySnapshot history = HistorySnapshot::load(db.sql());
    requireHistory(history);
    SearchEngine engine(threads);
    SearchSession session(engine, history, context.lottery().numberRange, window, seed);
    SearchSettings settings(context.settings().store());
    FoundFormulaStore store(db);

    std::uint64_t evaluated = 0;
    QStringList storedTables;
    const auto started = std::chrono::steady_clock::now();
    if (plan) {
        SearchPlan searchPlan;
        searchPlan.kill = kill;
        const QString mode = options.value(QStringLiteral("mode"), QStringLiteral("new"));
        if (mode != u"new" && mode != u"hold")
            throw badOption(QStringLiteral("--mode needs new or hold"));
        searchPlan.mode = mode == u"hold" ? SearchPlan::Mode::HoldCount : SearchPlan::Mode::NewCount;
        std::array<QString, 11> saved;
        for (int kind = 1; kind <= 10; ++kind)
            saved[static_cast<size_t>(kind)] = settings.planCount(kind, kill);
        searchPlan.counts = SearchPlan::countsOf(saved);
        // Stored below rather than by the plan, so the found list can still be reported.
        PlanSearch planSearch(session, settings.loadBounds(), searchOptions, &store);
        planSearch.start(searchPlan, store.existingCounts(kill));
        // --candidates limits each kind, so a plan always ends.
        const auto cap = static_cast<std::uint64_t>(candidates);
        while (!planSearch.finished() && !session.full()) {
            const int kind = planSearch.currentKind();
            planSearch.tick({cap - std::min(cap, planSearch.kindEvaluated()), std::nullopt});
            if (planSearch.currentKind() == kind && planSearch.kindEvaluated() >= cap)
                planSearch.giveUpKind();
        }
        evaluated = session.nextIndex();
        if (storeMode)
            storedTables = store.store(session.found(), *storeMode);
    } else {
        FormulaTarget target = targetOf(options);
        target.kill = kill;
        const int kind = target.group ? target.position + 5 : target.position;
        SearchBounds bounds = settings.loadBounds().bounds(kind, kill);
        if (options.has(QStringLiteral("bounds"))) {
            const QStringList texts = options.value(QStringLiteral("bounds")).split(u',');
            if (texts.size() != SearchBounds::kCount)
                throw badOption(QStringLiteral("--bounds needs ten comma-separated values"));
            bounds = SearchBounds::fromTexts(texts);
        }
        const int wanted = options.integer(QStringLiteral("target"), 0);
        session.begin(target, bounds, searchOptions);
        session.run({static_cast<std::uint64_t>(candidates), std::nullopt},
                    wanted > 0 ? static_cast<std::uint64_t>(wanted) : SearchSession::kUnlimited);
        evaluated = session.verifiedCount();
        if (storeMode)
            storedTables = store.store(session.found(), *storeMode);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    const std::vector<FoundFormula>& found = session.found();
    if (context.json()) {
        QJsonArray list;
        for (const FoundFormula& f : found) {
            QJsonObject o = statisticsObject(f.statistics);
            o.insert(QStringLiteral("gongshi"), f.code);
            o.insert(QStringLiteral("gongshiCN"), f.text);
            o.insert(QStringLiteral("table"), f.target.tableName());
            o.insert(QStringLiteral("bolKill"), f.target.kill);
            list.append(o);
        }
        QJsonObject result;
        result.insert(QStringLiteral("found"), list);
        result.insert(QStringLiteral("evaluated"), static_cast<double>(evaluated));
        result.insert(QStringLiteral("elapsedSeconds"), seconds);
        result.insert(QStringLiteral("candidatesPerSecond"),
                      seconds > 0 ? static_cast<double>(evaluated) / seconds : 0.0);
        result.insert(QStringLiteral("threads"), engine.threadCount());
        result.insert(QStringLiteral("seed"), QString::number(seed));
        result.insert(QStringLiteral("full"), session.full());
        result.insert(QStringLiteral("storedTables"), QJsonArray::fromStringList(storedTables));
        context.printJson(result);
    } else {
        for (const FoundFormula& f : found)
            context.printLine(f.text);
        context.printLine(QStringLiteral("found %1, evaluated %2 in %3 s (%4 per second, %5 threads, seed %6)")
                              .arg(found.size())
                              .arg(evaluated)
                              .arg(seconds, 0, 'f', 3)
                              .arg(seconds > 0 ? static_cast<double>(evaluated) / seconds : 0.0, 0, 'f', 0)
                              .arg(engine.threadCount())
                              .arg(seed));
        if (session.full())
            context.printLine(QStringLiteral("找到的公式已达%1条上限，搜索已停止").arg(SearchSession::kCapacity));
        if (storeMode)
            context.printLine(FoundFormulaStore::completedMessage());
    }
    return 0;
}

int tuneCommand(CliContext& context, const QStringList& args)
{
    const CliArguments options(args, {QStringLiteral("save")});
    options.allowOnly({QStringLiteral("table"), QStringLiteral("flag"), QStringLiteral("trials"),
                       QStringLiteral("seed"), QStringLiteral("operands"), QStringLiteral("constant"),
                       QStringLiteral("threads"), QStringLiteral("save"), QStringLiteral("window"),
                       QStringLiteral("exclude-current"), QStringLiteral("weighted"), QStringLiteral("form")});
    FormulaTarget target = targetOf(options);
    target.kill = killFlag(options);
    const int trials = options.integer(QStringLiteral("trials"), BoundTuner::kMinTrials);
    if (trials < BoundTuner::kMinTrials || trials > BoundTuner::kMaxTrials || trials % BoundTuner::kTrialStep != 0)
        throw badOption(QStringLiteral("--trials needs %1..%2 in steps of %3")
                            .arg(BoundTuner::kMinTrials)
                            .arg(BoundTuner::kMaxTrials)
                            .arg(BoundTuner::kTrialStep));
    const std::uint64_t seed = seedOf(options);
    const SearchOptions searchOptions = searchOptionsOf(context, options);
    const ScoringWindow window = windowOf(context, options);

    const HistorySnapshot history = HistorySnapshot::load(context.database().sql());
    requireHistory(history);
    SearchEngine engine(options.integer(QStringLiteral("threads"), 0));
    BoundTuner tuner(engine, history, context.lottery().numberRange, window);
    const BoundTuner::Result result = tuner.tune(target, searchOptions, seed, trials);

    SearchSettings settings(context.settings().store());
    DefaultBounds defaults = settings.loadBounds();
    const int kind = target.group ? target.position + 5 : target.position;
    const QStringList boxes = BoundTuner::writeBack(result.tuned, defaults.bounds(kind, target.kill).texts());
    if (options.has(QStringLiteral("save"))) {
        settings.saveBounds(kind, target.kill, SearchBounds::fromTexts(boxes), defaults);
        settings.setOperandCount(searchOptions.operands);
    }
    if (context.json()) {
        QJsonObject tuned;
        tuned.insert(QStringLiteral("sglGsRate"), static_cast<double>(result.tuned.rate));
        tuned.insert(QStringLiteral("intGsErrCon"), static_cast<double>(result.tuned.longestMissRun));
        tuned.insert(QStringLiteral("intGsTrueCon"), static_cast<double>(result.tuned.longestHitRun));
        tuned.insert(QStringLiteral("intGsErrLst"), static_cast<double>(result.tuned.lastMissRun));
        tuned.insert(QStringLiteral("intGsTrueLst"), static_cast<double>(result.tuned.lastHitRun));
        QJsonObject out;
        out.insert(QStringLiteral("table"), target.tableName());
        out.insert(QStringLiteral("bolKill"), target.kill);
        out.insert(QStringLiteral("evaluated"), result.evaluated);
        out.insert(QStringLiteral("tuned"), tuned);
        out.insert(QStringLiteral("last"), statisticsObject(result.last));
        out.insert(QStringLiteral("bounds"), QJsonArray::fromStringList(boxes));
        out.insert(QStringLiteral("saved"), options.has(QStringLiteral("save")));
        out.insert(QStringLiteral("seed"), QString::number(seed));
        context.printJson(out);
    } else {
        context.printLine(QStringLiteral("%1 %2: evaluated %3, bounds %4")
                              .arg(target.tableName(), target.killWord())
                              .arg(result.evaluated)
                              .arg(boxes.join(u',')));
    }
    return 0;
}

const CliCommandRegistry::Registration searchRegistration(
    "search",
    "search --table T --flag kill|keep [--operands K] [--candidates N] [--seed S] [--bounds b0,..,b9] "
    "[--constant C|random] [--target N] [--store append|replace] [--threads N] [--form suffix|bracket] "
    "[--plan [--mode new|hold]] [--window N] [--exclude-current true|false] [--weighted true|false]",
    searchCommand);
const CliCommandRegistry::Registration tuneRegistration(
    "tune", "tune --table T --flag kill|keep --trials N [--seed S] [--operands K] [--constant C|random] [--save]",
    tuneCommand);

} // namespace
