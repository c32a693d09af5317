#include "formula/FormulaText.h"
#include "formula/CompiledFormula.h"
#include "formula/DemoFormulas.h"
#include "formula/FormulaError.h"
#include "history/HistorySnapshot.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

QString s(const char* text) { return QString::fromUtf8(text); }

HistorySnapshot oneDraw()
{
    std::array<std::int32_t, AttributeCatalog::kCount> values{};
    for (int i = 0; i < AttributeCatalog::kCount; ++i)
        values[static_cast<size_t>(i)] = i + 1; // L1A = 1, L2A = 2, ... L1B = 6
    HistorySnapshot history;
    history.append(QStringLiteral("26010101"), values);
    return history;
}

double value(const char* code)
{
    static const HistorySnapshot history = oneDraw();
    return CompiledFormula::compile(QString::fromUtf8(code)).evaluateRow(history, 0);
}

} // namespace

TEST(FormulaText, translatesWordsInTheFixedOrder)
{
    EXPECT_EQ(FormulaText::translate(s("第一码")), s("L1A"));
    EXPECT_EQ(FormulaText::translate(s("第五6段")), s("L5F"));
    EXPECT_EQ(FormulaText::translate(s("和数个位")), s("L2L"));
    EXPECT_EQ(FormulaText::translate(s("[和数]+[和数个位]")), s("[L1L]+[L2L]"));
    EXPECT_EQ(FormulaText::translate(s(" 第二码+第二码*第二码 ")), s("L2A+L2A*L2A"));
    EXPECT_EQ(FormulaText::translate(s("[第三2指数方]-[同上期个]+[第四邻号差]")), s("[L3I]-[L3R]+[L4Q]"));
    // Each search starts again from the beginning of the text as it now stands.
    EXPECT_EQ(FormulaText::asReplace(s("aab"), s("ab"), s("b")), s("b"));
    EXPECT_EQ(FormulaText::asReplace(s("xax"), s("x"), s("xx")), s("xxaxx"));
}

TEST(FormulaText, onePassTranslationAgreesWithTheTableAppliedInOrder)
{
    // The table applied entry by entry, as the word list defines the translation.
    const auto inOrder = [](QString text) {
        for (const auto& [word, code] : FormulaText::wordTable())
            text = FormulaText::asReplace(text, word, code);
        return text.trimmed();
    };
    const auto compiles = [](const QString& code) {
        try {
            CompiledFormula::compile(code);
            return true;
        } catch (const FormulaError&) {
            return false;
        }
    };
    // Words, the pieces words can break into, and what joins them: overlapping
    // words ("大数和数", "邻号和数"), digits that meet a position code ("第五5余").
    QStringList pieces{s("+"), s("5"), s("["), s("]"), s("L")};
    for (const auto& entry : FormulaText::wordTable())
        for (qsizetype cut = 0; cut < entry.first.size(); ++cut)
            pieces << entry.first.left(cut + 1) << entry.first.mid(cut);
    pieces.removeDuplicates();
    for (const QString& a : pieces) {
        for (const QString& b : pieces) {
            const QString text = a + b;
            const QString ours = FormulaText::translate(text);
            const QString reference = inOrder(text);
            // Where the two differ, a word was broken and neither is a valid code form.
            if (ours != reference) {
                ASSERT_FALSE(compiles(ours)) << text.toStdString();
                ASSERT_FALSE(compiles(reference)) << text.toStdString();
            }
        }
    }
    EXPECT_EQ(FormulaText::translate(s("第五5余+第三3余+[第二2指数方]")), s("L5D+L3E+[L2I]"));
}

TEST(FormulaText, anOverlongTextIsRefusedBeforeAnyWork)
{
    // A megabyte of words once took half a minute to translate.
    const QString huge = s("[第一码]+").repeated(150000) + s("1=下期杀第一直选");
    EXPECT_THROW(FormulaText::parse(huge), FormulaError);
    EXPECT_THROW(FormulaText::translate(huge), FormulaError);
    // A long sum within the caps still translates and compiles.
    const QString longSum = s("第一码+").repeated(2000) + s("1");
    ASSERT_LE(longSum.size(), FormulaText::kMaxLength);
    EXPECT_EQ(FormulaText::translate(longSum), s("L1A+").repeated(2000) + s("1"));
    EXPECT_TRUE(CompiledFormula::compile(FormulaText::translate(longSum)).isColumnSum());
}

TEST(FormulaText, parsesLineAndHeaderForms)
{
    ParsedFormula p = FormulaText::parse(s("  [第一码]+[第二大小]=下期杀第三直选  "));
    EXPECT_EQ(p.chinese, s("[第一码]+[第二大小]=下期杀第三直选"));
    EXPECT_EQ(p.code, s("[L1A]+[L2B]"));
    EXPECT_EQ(p.target, (FormulaTarget{3, false, true}));
    EXPECT_EQ(p.target.tableName(), s("Gongshi3D"));

    p = FormulaText::parse(s("第一码+3=下期生第五组选"));
    EXPECT_EQ(p.target, (FormulaTarget{5, true, false}));
    EXPECT_EQ(p.code, s("L1A+3"));

    // Any verb other than 杀 keeps; the target is read one place further right
    // when 第 does not follow the verb at once.
    p = FormulaText::parse(s("和数:下期杀 第二组选"));
    EXPECT_EQ(p.target, (FormulaTarget{2, true, true}));
    EXPECT_EQ(p.code, s("L1L"));

    p = FormulaText::parse(s("[第二组选杀]第一码+[第三6段]"));
    EXPECT_EQ(p.target, (FormulaTarget{2, true, true}));
    EXPECT_EQ(p.code, s("L1A+[L3F]"));
    EXPECT_EQ(p.chinese, s("[第二组选杀]第一码+[第三6段]"));
    p = FormulaText::parse(s("[第四直选生]和数个位*2"));
    EXPECT_EQ(p.target, (FormulaTarget{4, false, false}));
    EXPECT_EQ(p.code, s("L2L*2"));

    for (const QString& line : DemoFormulas::lines())
        EXPECT_NO_THROW(FormulaText::parse(line)) << line.toStdString();
}

TEST(FormulaText, refusesWhatItCannotRecognise)
{
    const char* bad[] = {
        "下期杀第一直选", // no room for the separator
        "=下期杀第一直选", // nothing before it
        "第一码=下期杀第六直选", // unknown position
        "第一码=下期杀第一三选", // unknown kind
        "第一码+个位=下期杀第一直选", // a word left untranslated
        "第一码+$=下期杀第一直选", // stray character
        "(第一码+1=下期杀第一直选", // unbalanced
        "第一码+1)=下期杀第一直选",
        "第一码+=下期杀第一直选", // missing operand
        "第一码 第二码=下期杀第一直选", // missing operator
        "[L9A]+1=下期杀第一直选", // not a column
        "Abs 3=下期杀第一直选",
        "第一码=下期杀", // no target
        "第一码+1", // neither form
        "[第二组选]第一码", // header without a verb
        "[第七组选杀]第一码",
    };
    for (const char* line : bad) {
        try {
            FormulaText::parse(s(line));
            ADD_FAILURE() << "accepted: " << line;
        } catch (const FormulaError& e) {
            EXPECT_EQ(e.title(), s("无法识别公式"));
            EXPECT_EQ(e.message(), s("公式文本文件中含有无法识别公式，无法添加到软件"));
            EXPECT_FALSE(e.detail().isEmpty());
        }
    }
    for (const char* empty : {"", "   "}) {
        try {
            FormulaText::parse(s(empty));
            ADD_FAILURE() << "accepted empty input";
        } catch (const FormulaError&) {
            ADD_FAILURE() << "empty input is not an unrecognised formula";
        } catch (const UserError& e) {
            EXPECT_EQ(e.title(), s("添加公式失败"));
            EXPECT_EQ(e.message(), s("请在左边文本框输入需要添加的公式"));
        }
    }
}

TEST(CompiledFormula, followsTheGrammarsPrecedenceAndRounding)
{
    EXPECT_EQ(value("2+3*4"), 14);
    EXPECT_EQ(value("2^3^2"), 64); // left to right
    EXPECT_EQ(value("-2^2"), -4); // ^ binds tighter than the sign
    EXPECT_EQ(value("2^-1"), 0.5);
    EXPECT_EQ(value("7 Mod 3+1"), 2); // Mod binds tighter than +
    EXPECT_EQ(value("7 mod 2*2"), 3); // * before Mod
    EXPECT_EQ(value("7\\2*3"), 1); // * before integer division
    EXPECT_EQ(value("-7 Mod 3"), -1); // the dividend's sign
    EXPECT_EQ(value("7 Mod -3"), 1);
    EXPECT_EQ(value("7.5 Mod 5"), 3); // operands rounded, ties to even: 8 Mod 5
    EXPECT_EQ(value("6.5 Mod 4"), 2); // 6 Mod 4
    EXPECT_EQ(value("5.5\\2"), 3); // 6 \ 2
    EXPECT_EQ(value("-7\\2"), -3); // truncates
    EXPECT_EQ(value("1/4"), 0.25);
    EXPECT_EQ(value("Abs(-3)+Int(-2.5)*10+Fix(-2.5)+SGN(-4)"), 3 - 30 - 2 - 1);
    EXPECT_TRUE(std::isnan(value("5/0")));
    EXPECT_TRUE(std::isnan(value("5\\0.4"))); // the divisor rounds to 0
    EXPECT_TRUE(std::isnan(value("L1A Mod (L2A-2)+1")));
    // Columns in any case, bare or bracketed: L1A = 1, L2A = 2, L1B = 6, L3R = 88.
    EXPECT_EQ(value("l1a + [ L2A ] + [l1b]*L3R"), 1 + 2 + 6 * 88);

    EXPECT_TRUE(CompiledFormula::compile(s("[L1A]+[L2B]-L3C+4")).isColumnSum());
    EXPECT_EQ(value("[L1A]+[L2B]-L3C+4-L1A"), 7 - 13 + 4);
    EXPECT_FALSE(CompiledFormula::compile(s("L1A*2")).isColumnSum());
    EXPECT_FALSE(CompiledFormula::compile(s("L1A+0.5")).isColumnSum());
    EXPECT_EQ(CompiledFormula::columnSum({0, 0, 87}, 0.5).evaluateRow(oneDraw(), 0), 1 + 1 + 88 + 0.5);
    EXPECT_THROW(CompiledFormula::compile(s("(((((1)))")), FormulaError);

    // The sum's integer path stays exact for any int32 column, as the general path is.
    std::array<std::int32_t, AttributeCatalog::kCount> extremes{};
    extremes.fill(std::numeric_limits<std::int32_t>::max());
    extremes[1] = std::numeric_limits<std::int32_t>::min();
    HistorySnapshot wide;
    wide.append(QStringLiteral("26010101"), extremes);
    const CompiledFormula sum = CompiledFormula::compile(s("L5O+L5O+L5O-L2A+7"));
    ASSERT_TRUE(sum.isColumnSum());
    const double expected = 3.0 * 2147483647.0 + 2147483648.0 + 7.0;
    EXPECT_EQ(sum.evaluateRow(wide, 0), expected);
    EXPECT_EQ(CompiledFormula::compile(s("(L5O+L5O+L5O-L2A+7)*1")).evaluateRow(wide, 0), expected);
    EXPECT_THROW(CompiledFormula::compile(QString(500, u'(') + u'1' + QString(500, u')')), FormulaError);
}
