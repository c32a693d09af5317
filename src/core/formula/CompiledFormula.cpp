#include "formula/CompiledFormula.h"

#include "formula/FormulaError.h"
#include "formula/FormulaProgram.h"
#include "history/HistorySnapshot.h"
#include "scoring/FormulaRounding.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kEmpty = std::numeric_limits<double>::quiet_NaN();
// Rows handled per pass of the interpreter; the stack lives in one scratch
// buffer of depth * kBlock values.
constexpr int kBlock = 128;

double modValue(double dividend, double divisor)
{
    const double a = roundHalfEvenValue(dividend);
    const double b = roundHalfEvenValue(divisor);
    if (b == 0.0 || std::isnan(a) || std::isnan(b))
        return kEmpty;
    return std::fmod(a, b); // sign of the dividend, exact on integers
}

double integerDivision(double dividend, double divisor)
{
    const double a = roundHalfEvenValue(dividend);
    const double b = roundHalfEvenValue(divisor);
    if (b == 0.0 || std::isnan(a) || std::isnan(b))
        return kEmpty;
    return std::trunc(a / b);
}

double division(double a, double b) { return b == 0.0 ? kEmpty : a / b; }

double sign(double a)
{
    if (std::isnan(a))
        return a;
    return a > 0.0 ? 1.0 : (a < 0.0 ? -1.0 : 0.0);
}

template <typename F>
void binary(double* left, const double* right, int n, F f)
{
    for (int i = 0; i < n; ++i)
        left[i] = f(left[i], right[i]);
}

template <typename F>
void unary(double* value, int n, F f)
{
    for (int i = 0; i < n; ++i)
        value[i] = f(value[i]);
}

template <typename Sum>
void sumBlocks(const FormulaProgram& program, const HistorySnapshot& history, int begin, int end, double* out)
{
    Sum acc[kBlock];
    for (int base = begin; base < end; base += kBlock) {
        const int n = std::min(kBlock, end - base);
        std::fill_n(acc, n, 0);
        for (const FormulaProgram::Term& term : program.terms) {
            const std::int32_t* column = history.column(term.attribute).data() + base;
            const Sum k = term.coefficient;
            for (int i = 0; i < n; ++i)
                acc[i] += k * column[i];
        }
        double* o = out + (base - begin);
        const double constant = program.constant;
        for (int i = 0; i < n; ++i)
            o[i] = static_cast<double>(acc[i]) + constant;
    }
}

// Stored histories keep every sum inside int32, the fast case. Any other int32
// values are summed in 64 bits: |coefficients| add up to at most
// kMaxSumCoefficients (< 2^17), so the sum stays exact, in a double too, as the
// general evaluator's does.
void evaluateSum(const FormulaProgram& program, const HistorySnapshot& history, int begin, int end, double* out)
{
    const std::int64_t largest = static_cast<std::int64_t>(history.largestMagnitude()) * program.sumOfCoefficients();
    if (largest <= std::numeric_limits<std::int32_t>::max())
        sumBlocks<std::int32_t>(program, history, begin, end, out);
    else
        sumBlocks<std::int64_t>(program, history, begin, end, out);
}

void evaluateCode(const FormulaProgram& program, const HistorySnapshot& history, int begin, int end, double* out)
{
    using Op = FormulaProgram::Op;
    std::vector<double> stack(static_cast<size_t>(std::max(1, program.maxDepth)) * kBlock);
    for (int base = begin; base < end; base += kBlock) {
        const int n = std::min(kBlock, end - base);
        int depth = 0;
        auto slot = [&](int d) { return stack.data() + static_cast<size_t>(d) * kBlock; };
        for (const FormulaProgram::Instruction& ins : program.code) {
            switch (ins.op) {
            case Op::Column: {
                const std::int32_t* column = history.column(ins.attribute).data() + base;
                double* s = slot(depth++);
                for (int i = 0; i < n; ++i)
                    s[i] = static_cast<double>(column[i]);
                break;
            }
            case Op::Constant: std::fill_n(slot(depth++), n, ins.constant); break;
            case Op::Add:
                --depth;
                binary(slot(depth - 1), slot(depth), n, [](double a, double b) { return a + b; });
                break;
            case Op::Subtract:
                --depth;
                binary(slot(depth - 1), slot(depth), n, [](double a, double b) { return a - b; });
                break;
            case Op::Multiply:
                --depth;
                binary(slot(depth - 1), slot(depth), n, [](double a, double b) { return a * b; });
                break;
            case Op::Divide:
                --depth;
                binary(slot(depth - 1), slot(depth), n, division);
                break;
            case Op::IntegerDivide:
                --depth;
                binary(slot(depth - 1), slot(depth), n, integerDivision);
                break;
            case Op::Mod:
                --depth;
                binary(slot(depth - 1), slot(depth), n, modValue);
                break;
            case Op::Power:
                --depth;
                binary(slot(depth - 1), slot(depth), n, [](double a, double b) { return std::pow(a, b); });
                break;
            case Op::Negate: unary(slot(depth - 1), n, [](double a) { return -a; }); break;
            case Op::Abs: unary(slot(depth - 1), n, [](double a) { return std::fabs(a); }); break;
            case Op::Int: unary(slot(depth - 1), n, [](double a) { return std::floor(a); }); break;
            case Op::Fix: unary(slot(depth - 1), n, [](double a) { return std::trunc(a); }); break;
            case Op::Sgn: unary(slot(depth - 1), n, sign); break;
            }
        }
        std::copy_n(slot(0), n, out + (base - begin));
    }
}

} // namespace

struct CompiledFormula::Program : FormulaProgram {};

CompiledFormula::CompiledFormula(std::unique_ptr<Program> program) : m_program(std::move(program)) {}

CompiledFormula CompiledFormula::compile(const QString& code)
{
    auto program = std::make_unique<Program>();
    static_cast<FormulaProgram&>(*program) = FormulaProgram::compile(code);
    return CompiledFormula(std::move(program));
}

CompiledFormula CompiledFormula::columnSum(const std::vector<int>& attributes, double constant)
{
    auto program = std::make_unique<Program>();
    program->sum = true;
    program->constant = constant;
    for (int attribute : attributes) {
        if (attribute < 0 || attribute >= AttributeCatalog::kCount)
            throw FormulaError(QStringLiteral("属性列序号超出范围：%1").arg(attribute));
        program->addTerm(attribute, 1);
    }
    if (program->sumOfCoefficients() > FormulaProgram::kMaxSumCoefficients)
        throw FormulaError(QStringLiteral("求和公式的项数过多"));
    // The same formula as code, so a generic evaluation gives the same values.
    for (size_t i = 0; i < attributes.size(); ++i) {
        program->code.push_back({FormulaProgram::Op::Column, attributes[i], 0.0});
        if (i > 0)
            program->code.push_back({FormulaProgram::Op::Add, 0, 0.0});
    }
    program->code.push_back({FormulaProgram::Op::Constant, 0, constant});
    if (!attributes.empty())
        program->code.push_back({FormulaProgram::Op::Add, 0, 0.0});
    program->maxDepth = 2;
    return CompiledFormula(std::move(program));
}

void CompiledFormula::evaluate(const HistorySnapshot& history, int begin, int end, double* out) const
{
    begin = std::max(begin, 0);
    end = std::min(end, history.size());
    if (begin >= end)
        return;
    if (m_program->sum)
        evaluateSum(*m_program, history, begin, end, out);
    else
        evaluateCode(*m_program, history, begin, end, out);
}

std::vector<double> CompiledFormula::evaluateAll(const HistorySnapshot& history) const
{
    std::vector<double> values(static_cast<size_t>(history.size()));
    evaluate(history, 0, history.size(), values.data());
    return values;
}

double CompiledFormula::evaluateRow(const HistorySnapshot& history, int row) const
{
    if (row < 0 || row >= history.size())
        return kEmpty;
    double value = kEmpty;
    evaluate(history, row, row + 1, &value);
    return value;
}

bool CompiledFormula::isColumnSum() const { return m_program->sum; }

std::optional<ColumnSum> CompiledFormula::asColumnSum() const
{
    const FormulaProgram& program = *m_program;
    const double constant = program.constant;
    if (!program.sum || constant != std::trunc(constant) || std::fabs(constant) > 1.0e9)
        return std::nullopt;
    ColumnSum sum;
    sum.constant = static_cast<int>(constant);
    for (const FormulaProgram::Term& term : program.terms) {
        if (term.coefficient < 0 || sum.count + term.coefficient > ColumnSum::kMaxTerms)
            return std::nullopt;
        for (int k = 0; k < term.coefficient; ++k)
            sum.terms[static_cast<size_t>(sum.count++)] = static_cast<std::uint8_t>(term.attribute);
    }
    return sum;
}

CompiledFormula::CompiledFormula(const CompiledFormula& other) : m_program(std::make_unique<Program>(*other.m_program))
{}

CompiledFormula& CompiledFormula::operator=(const CompiledFormula& other)
{
    if (this != &other)
        m_program = std::make_unique<Program>(*other.m_program);
    return *this;
}

CompiledFormula::CompiledFormula(CompiledFormula&&) noexcept = default;
CompiledFormula& CompiledFormula::operator=(CompiledFormula&&) noexcept = default;
CompiledFormula::~CompiledFormula() = default;
