#include "formula/FormulaText.h"

#include "formula/CompiledFormula.h"
#include "formula/FormulaError.h"

#include <QHash>
#include <array>
#include <utility>
#include <vector>

namespace {

struct Replacement {
    const char* word;
    const char* code;
};

// The order matters: position words before the per-position letters, and
// "和数个位" before "和数".
constexpr std::array<Replacement, 45> kWordToCode = {{
    {"第一", "L1"},    {"第二", "L2"},      {"第三", "L3"},      {"第四", "L4"},    {"第五", "L5"},
    {"码", "A"},       {"大小", "B"},       {"单双", "C"},       {"5余", "D"},      {"3余", "E"},
    {"6段", "F"},      {"平方", "G"},       {"互补数", "H"},     {"2指数方", "I"},  {"立方", "J"},
    {"邻号和", "P"},   {"邻号差", "Q"},     {"连顺号", "L1K"},   {"逆顺号", "L2K"}, {"连跳号", "L3K"},
    {"逆跳号", "L4K"}, {"前期号", "L5K"},   {"上期号", "L1O"},   {"本期号", "L2O"}, {"日期", "L3O"},
    {"月份", "L4O"},   {"年份", "L5O"},     {"和数个位", "L2L"}, {"和数", "L1L"},   {"大数个", "L3L"},
    {"小数个", "L4L"}, {"大数和", "L5L"},   {"小数和", "L1M"},   {"偶数个", "L2M"}, {"奇数个", "L3M"},
    {"偶数和", "L4M"}, {"奇数和", "L5M"},   {"合数个", "L1N"},   {"质数个", "L2N"}, {"合数和", "L3N"},
    {"质数和", "L4N"}, {"重上期个", "L5N"}, {"最大振幅", "L1R"}, {"总跨度", "L2R"}, {"同上期个", "L3R"},
}};

// The words in table order, grouped by their first character, so one pass
// over a text finds the word at each place in a few comparisons.
class WordTable {
public:
    WordTable()
    {
        for (const auto& entry : FormulaText::wordTable())
            m_byFirst[entry.first.front()].push_back(entry);
    }

    // The code of the first table entry that matches `text` at `at`, and its word's length.
    std::pair<const QString*, qsizetype> match(QStringView text, qsizetype at) const
    {
        const auto candidates = m_byFirst.constFind(text[at]);
        if (candidates == m_byFirst.cend())
            return {nullptr, 0};
        for (const auto& [word, code] : *candidates)
            if (text.sliced(at).startsWith(word))
                return {&code, word.size()};
        return {nullptr, 0};
    }

private:
    QHash<QChar, std::vector<std::pair<QString, QString>>> m_byFirst;
};

void refuseOverlong(qsizetype length)
{
    if (length > FormulaText::kMaxLength)
        throw FormulaError(QStringLiteral("公式过长：%1个字符，最多%2个字符").arg(length).arg(FormulaText::kMaxLength));
}

// "[第二组选杀]expr": position, kind and verb all come from the header.
ParsedFormula parseHeaderForm(const QString& line)
{
    if (!line.startsWith(u'[') || line.size() < 7 || line[6] != u']')
        throw FormulaError(QStringLiteral("没有“下期”，也不是“[第二组选杀]”形式的公式"));
    ParsedFormula parsed;
    parsed.target = FormulaTarget::fromWords(line.mid(1, 2), line.mid(3, 2), line[5] == u'杀');
    parsed.code = FormulaText::translate(line.mid(7));
    return parsed;
}

ParsedFormula parseLineForm(const QString& line, int next)
{
    // The character before "下期" is the separator, so there must be room for it.
    if (next == 0)
        throw FormulaError(QStringLiteral("“下期”前没有公式表达式"));
    ParsedFormula parsed;
    const bool kill = line.mid(next + 2, 1) == u"杀";
    const int targetAt = line.mid(next + 3, 1) == u"第" ? next + 3 : next + 4;
    parsed.target =
        FormulaTarget::fromWords(line.mid(targetAt, 2).trimmed(), line.mid(targetAt + 2, 2).trimmed(), kill);
    parsed.code = FormulaText::translate(line.left(next - 1));
    return parsed;
}

} // namespace

QString FormulaText::asReplace(QString text, const QString& find, const QString& replaceWith)
{
    if (find.isEmpty())
        return text;
    // A replacement that contains what it replaces would be found again forever.
    if (replaceWith.contains(find))
        return text.replace(find, replaceWith);
    for (qsizetype at = text.indexOf(find); at >= 0; at = text.indexOf(find))
        text = text.left(at) + replaceWith + text.mid(at + find.size());
    return text;
}

const std::vector<std::pair<QString, QString>>& FormulaText::wordTable()
{
    static const std::vector<std::pair<QString, QString>> table = [] {
        std::vector<std::pair<QString, QString>> entries;
        for (const Replacement& r : kWordToCode)
            entries.emplace_back(QString::fromUtf8(r.word), QString::fromLatin1(r.code));
        return entries;
    }();
    return table;
}

QString FormulaText::translate(const QString& chineseExpression)
{
    refuseOverlong(chineseExpression.size());
    static const WordTable table;
    const QStringView text(chineseExpression);
    QString code;
    code.reserve(text.size());
    for (qsizetype at = 0; at < text.size();) {
        const auto [replacement, length] = table.match(text, at);
        if (replacement) {
            code += *replacement;
            at += length;
        } else {
            code += text[at++];
        }
    }
    return code.trimmed();
}

ParsedFormula FormulaText::parse(const QString& line)
{
    refuseOverlong(line.size());
    const QString s = line.trimmed();
    if (s.isEmpty())
        throw UserError(QStringLiteral("添加公式失败"), QStringLiteral("请在左边文本框输入需要添加的公式"));
    const int next = static_cast<int>(s.indexOf(QStringLiteral("下期")));
    ParsedFormula parsed = next >= 0 ? parseLineForm(s, next) : parseHeaderForm(s);
    parsed.chinese = s;
    // Validated now, so a stored formula always evaluates.
    CompiledFormula::compile(parsed.code);
    return parsed;
}
