#pragma once

#include <QString>
#include <vector>

// The compiled form of a formula's code: a postfix program the evaluator runs
// over blocks of rows, and, when the expression is a plain sum of attribute
// columns plus a constant, that sum as terms so it can run on integers.
struct FormulaProgram {
    enum class Op {
        Column,
        Constant,
        Add,
        Subtract,
        Multiply,
        Divide,
        IntegerDivide,
        Mod,
        Power,
        Negate,
        Abs,
        Int,
        Fix,
        Sgn
    };

    struct Instruction {
        Op op = Op::Constant;
        int attribute = 0; // Column
        double constant = 0.0; // Constant
    };

    struct Term {
        int attribute = 0;
        int coefficient = 1;
    };

    // A sum whose absolute coefficients add up to at most this stays exact in the
    // evaluator's 64-bit sum for any int32 column values (and inside int32 for the
    // stored ones, which stay below 2^14).
    static constexpr long long kMaxSumCoefficients = 100000;

    std::vector<Instruction> code;
    int maxDepth = 0;

    bool sum = false; // true: terms + constant is the whole formula
    std::vector<Term> terms;
    double constant = 0.0;

    void addTerm(int attribute, int coefficient);
    long long sumOfCoefficients() const;

    // Parses and checks the code form; raises FormulaError at the first fault.
    static FormulaProgram compile(const QString& text);
};
