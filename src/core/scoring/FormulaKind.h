#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <array>
#include <optional>

struct ScoringRule;

// Which formula table a formula belongs to: position 1..5 of the next draw,
// direct (直选) or group (组选). One value for everything that names a table:
// the table name ("Gongshi3G"), the label ("第三组选"), the search window's kind
// index (direct 第一..第五 = 1..5, group = 6..10) and the hit rule.
class FormulaKind {
public:
    static constexpr int kPositions = 5;
    static constexpr int kCount = 2 * kPositions;

    FormulaKind() = default; // 第一直选
    // Raises UserError unless position is 1..5.
    FormulaKind(int position, bool group);

    int position() const { return m_position; }
    bool group() const { return m_group; }

    // "Gongshi" + position + "D" (direct) or "G" (group).
    QString tableName() const;
    // Any case ("gongshi3g"); nothing for a name that is not one of the ten tables.
    static std::optional<FormulaKind> fromTableName(QStringView name);
    // As fromTableName, raising UserError that names the ten tables.
    static FormulaKind ofTable(const QString& name);
    // The ten tables: Gongshi1D, Gongshi1G, Gongshi2D, ... Gongshi5G.
    static const std::array<FormulaKind, kCount>& all();
    static QStringList tableNames();

    // "第三组选"
    QString label() const;
    // The play word of a label: "组选" (group) or "直选" (direct).
    static QString playWord(bool group);

    // The search window's kind index, 1..10.
    int searchIndex() const { return m_position + (m_group ? kPositions : 0); }
    // Raises UserError outside 1..10.
    static FormulaKind fromSearchIndex(int index);
    // Group 第一 judges exactly like direct 第一 (the group of one position is
    // that position), so the search never looks for it on its own and it shares
    // direct 第一's bounds.
    bool isSearched() const { return !(m_group && m_position == 1); }
    // The kind whose rule this one judges by: itself, or direct 第一 for group 第一.
    FormulaKind judgedLike() const { return isSearched() ? *this : FormulaKind(); }

    // How hits of this kind are judged for numbers 1..range, killing or keeping.
    ScoringRule rule(int range, bool kill) const;

    bool operator==(const FormulaKind&) const = default;

private:
    int m_position = 1;
    bool m_group = false;
};
