#include "search/CandidateGenerator.h"

#include "common/UserError.h"
#include "history/AttributeCatalog.h"

#include <cmath>
#include <cstdlib>

namespace {

std::uint64_t splitmix64(std::uint64_t x)
{
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

// A uniform draw in [0, 1) from a counter-based stream.
class Stream {
public:
    explicit Stream(std::uint64_t state) : m_state(state) {}
    double next()
    {
        m_state = splitmix64(m_state);
        return static_cast<double>(m_state >> 11) * 0x1.0p-53;
    }

private:
    std::uint64_t m_state;
};

UserError constantOutOfRange()
{
    return UserError(QStringLiteral("公式末尾偏移常数"), QStringLiteral("公式末尾偏移常数必须在%1到%2之间")
                                                             .arg(-CandidateGenerator::kMaxConstantMagnitude)
                                                             .arg(CandidateGenerator::kMaxConstantMagnitude));
}

} // namespace

CandidateGenerator::CandidateGenerator(std::uint64_t seed, int operands, std::optional<int> constant)
    : m_seed(seed),
      m_operands(operands),
      m_constant(constant)
{
    if (operands < kMinOperands || operands > kMaxOperands)
        throw UserError(QStringLiteral("公式运算元数"),
                        QStringLiteral("公式运算元数必须在%1到%2之间").arg(kMinOperands).arg(kMaxOperands));
    if (constant && std::abs(*constant) > kMaxConstantMagnitude)
        throw constantOutOfRange();
}

int CandidateGenerator::constantOf(const QString& text)
{
    bool ok = false;
    const double value = std::floor(text.trimmed().toDouble(&ok));
    if (!ok || !std::isfinite(value))
        return 0;
    if (std::fabs(value) > kMaxConstantMagnitude)
        throw constantOutOfRange();
    return static_cast<int>(value);
}

Candidate CandidateGenerator::generate(std::uint64_t index) const
{
    Stream random(splitmix64(m_seed ^ (index * 0xD1342543DE82EF95ULL)));
    Candidate candidate;
    candidate.termCount = m_operands;
    for (int t = 0; t < m_operands; ++t)
        candidate.terms[static_cast<size_t>(t)] = static_cast<std::uint8_t>(random.next() * kCodeCount);
    candidate.constant = m_constant ? *m_constant : static_cast<int>(random.next() * (kMaxRandomConstant + 1));
    return candidate;
}

CandidateStream CandidateGenerator::stream() const
{
    CandidateStream stream;
    stream.seed = m_seed;
    stream.operands = m_operands;
    stream.randomConstant = !m_constant.has_value();
    stream.constant = m_constant.value_or(0);
    stream.codeCount = kCodeCount;
    stream.maxRandomConstant = kMaxRandomConstant;
    return stream;
}

QString CandidateGenerator::code(const Candidate& candidate)
{
    QString result;
    result.reserve(candidate.termCount * 4 + 4);
    for (int t = 0; t < candidate.termCount; ++t)
        result += AttributeCatalog::code(candidate.terms[static_cast<size_t>(t)]) + u'+';
    return result + QString::number(candidate.constant);
}

QString CandidateGenerator::expression(const Candidate& candidate)
{
    QString result;
    for (int t = 0; t < candidate.termCount; ++t)
        result += AttributeCatalog::displayName(candidate.terms[static_cast<size_t>(t)]) + u'+';
    return result + QString::number(candidate.constant);
}

QString CandidateGenerator::text(const Candidate& candidate, const FormulaTarget& target, TextForm form)
{
    // "第二组选": the target words a formula line is read back by.
    const QString label = target.label();
    if (form == TextForm::Bracket)
        return u'[' + label + target.killWord() + u']' + expression(candidate);
    return expression(candidate) + QStringLiteral("=下期") + target.killWord() + label;
}
