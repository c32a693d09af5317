#include "formula/FormulaProgram.h"

#include "formula/FormulaError.h"
#include "history/AttributeCatalog.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

namespace {

using Op = FormulaProgram::Op;

// Deep nesting is refused rather than risking the parser's stack.
constexpr int kMaxNesting = 200;
// Far beyond any real formula; keeps the recursive passes over the tree shallow.
constexpr size_t kMaxTokens = 5000;

enum class TokenKind { Number, Column, Function, Plus, Minus, Star, Slash, Backslash, Caret, Mod, Open, Close, End };

struct Token {
    TokenKind kind = TokenKind::End;
    int position = 0;
    double number = 0.0;
    int attribute = 0;
    Op function = Op::Abs;
    QString text;
};

bool isAsciiLetter(QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool isAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }

std::vector<Token> tokenize(const QString& text)
{
    std::vector<Token> tokens;
    int i = 0;
    const int n = static_cast<int>(text.size());
    while (i < n) {
        const QChar c = text[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        Token token;
        token.position = i;
        if (isAsciiDigit(c) || c == u'.') {
            int j = i;
            while (j < n && isAsciiDigit(text[j]))
                ++j;
            if (j < n && text[j] == u'.') {
                ++j;
                while (j < n && isAsciiDigit(text[j]))
                    ++j;
            }
            const QString literal = text.mid(i, j - i);
            bool ok = false;
            token.number = literal.toDouble(&ok);
            if (!ok || literal == u".")
                throw FormulaError(QStringLiteral("第%1个字符处的数字无法识别：%2").arg(i + 1).arg(literal), i);
            token.kind = TokenKind::Number;
            token.text = literal;
            i = j;
        } else if (c == u'[') {
            const int close = static_cast<int>(text.indexOf(u']', i + 1));
            if (close < 0)
                throw FormulaError(QStringLiteral("第%1个字符处的“[”没有对应的“]”").arg(i + 1), i);
            const QString name = text.mid(i + 1, close - i - 1).trimmed();
            token.attribute = AttributeCatalog::indexOf(name);
            if (token.attribute < 0)
                throw FormulaError(QStringLiteral("第%1个字符处的列名无法识别：[%2]").arg(i + 1).arg(name), i);
            token.kind = TokenKind::Column;
            token.text = name;
            i = close + 1;
        } else if (isAsciiLetter(c)) {
            int j = i;
            while (j < n && (isAsciiLetter(text[j]) || isAsciiDigit(text[j]) || text[j] == u'_'))
                ++j;
            const QString word = text.mid(i, j - i);
            token.text = word;
            const QString lower = word.toLower();
            if (lower == u"mod") {
                token.kind = TokenKind::Mod;
            } else if (lower == u"abs" || lower == u"int" || lower == u"fix" || lower == u"sgn") {
                token.kind = TokenKind::Function;
                token.function = lower == u"abs"   ? Op::Abs
                                 : lower == u"int" ? Op::Int
                                 : lower == u"fix" ? Op::Fix
                                                   : Op::Sgn;
            } else {
                token.attribute = AttributeCatalog::indexOf(word);
                if (token.attribute < 0)
                    throw FormulaError(QStringLiteral("第%1个字符处的词无法识别：%2").arg(i + 1).arg(word), i);
                token.kind = TokenKind::Column;
            }
            i = j;
        } else {
            switch (c.unicode()) {
            case u'+': token.kind = TokenKind::Plus; break;
            case u'-': token.kind = TokenKind::Minus; break;
            case u'*': token.kind = TokenKind::Star; break;
            case u'/': token.kind = TokenKind::Slash; break;
            case u'\\': token.kind = TokenKind::Backslash; break;
            case u'^': token.kind = TokenKind::Caret; break;
            case u'(': token.kind = TokenKind::Open; break;
            case u')': token.kind = TokenKind::Close; break;
            default: throw FormulaError(QStringLiteral("第%1个字符无法识别：%2").arg(i + 1).arg(c), i);
            }
            token.text = c;
            ++i;
        }
        tokens.push_back(token);
        if (tokens.size() > kMaxTokens)
            throw FormulaError(QStringLiteral("公式过长"), i);
    }
    Token end;
    end.position = n;
    tokens.push_back(end);
    return tokens;
}

struct Node {
    Op op = Op::Constant;
    int attribute = 0;
    double constant = 0.0;
    std::unique_ptr<Node> left;
    std::unique_ptr<Node> right;
};
using NodePtr = std::unique_ptr<Node>;

NodePtr leaf(Op op, int attribute, double constant)
{
    auto node = std::make_unique<Node>();
    node->op = op;
    node->attribute = attribute;
    node->constant = constant;
    return node;
}

NodePtr combine(Op op, NodePtr left, NodePtr right = nullptr)
{
    auto node = std::make_unique<Node>();
    node->op = op;
    node->left = std::move(left);
    node->right = std::move(right);
    return node;
}

// Operators, loosest first: + - ; Mod ; \ ; * / ; unary - + ; ^.
class Parser {
public:
    explicit Parser(std::vector<Token> tokens) : m_tokens(std::move(tokens)) {}

    NodePtr parse()
    {
        if (peek().kind == TokenKind::End)
            throw FormulaError(QStringLiteral("公式表达式为空"), 0);
        NodePtr root = additive();
        if (peek().kind != TokenKind::End)
            fail(peek().kind == TokenKind::Close ? QStringLiteral("多余的“)”") : QStringLiteral("此处缺少运算符"));
        return root;
    }

private:
    const Token& peek() const { return m_tokens[m_pos]; }
    const Token& take() { return m_tokens[m_pos++]; }

    [[noreturn]] void fail(const QString& what) const
    {
        const Token& t = peek();
        const QString at = t.kind == TokenKind::End ? QStringLiteral("公式末尾")
                                                    : QStringLiteral("第%1个字符“%2”").arg(t.position + 1).arg(t.text);
        throw FormulaError(QStringLiteral("%1：%2").arg(at, what), t.position);
    }

    struct Nesting {
        explicit Nesting(Parser& parser) : m_parser(parser)
        {
            if (++m_parser.m_depth > kMaxNesting)
                m_parser.fail(QStringLiteral("嵌套过深"));
        }
        ~Nesting() { --m_parser.m_depth; }
        Parser& m_parser;
    };

    NodePtr additive()
    {
        NodePtr left = modulo();
        while (peek().kind == TokenKind::Plus || peek().kind == TokenKind::Minus) {
            const Op op = take().kind == TokenKind::Plus ? Op::Add : Op::Subtract;
            left = combine(op, std::move(left), modulo());
        }
        return left;
    }

    NodePtr modulo()
    {
        NodePtr left = integerDivision();
        while (peek().kind == TokenKind::Mod) {
            take();
            left = combine(Op::Mod, std::move(left), integerDivision());
        }
        return left;
    }

    NodePtr integerDivision()
    {
        NodePtr left = multiplicative();
        while (peek().kind == TokenKind::Backslash) {
            take();
            left = combine(Op::IntegerDivide, std::move(left), multiplicative());
        }
        return left;
    }

    NodePtr multiplicative()
    {
        NodePtr left = signedOperand();
        while (peek().kind == TokenKind::Star || peek().kind == TokenKind::Slash) {
            const Op op = take().kind == TokenKind::Star ? Op::Multiply : Op::Divide;
            left = combine(op, std::move(left), signedOperand());
        }
        return left;
    }

    NodePtr signedOperand()
    {
        Nesting guard(*this);
        if (peek().kind == TokenKind::Minus) {
            take();
            return combine(Op::Negate, signedOperand());
        }
        if (peek().kind == TokenKind::Plus) {
            take();
            return signedOperand();
        }
        return power();
    }

    NodePtr power()
    {
        NodePtr left = primary();
        while (peek().kind == TokenKind::Caret) {
            take();
            left = combine(Op::Power, std::move(left), exponent());
        }
        return left;
    }

    // The exponent may carry its own sign: 2 ^ -1.
    NodePtr exponent()
    {
        Nesting guard(*this);
        if (peek().kind == TokenKind::Minus) {
            take();
            return combine(Op::Negate, exponent());
        }
        if (peek().kind == TokenKind::Plus) {
            take();
            return exponent();
        }
        return primary();
    }

    NodePtr primary()
    {
        Nesting guard(*this);
        const Token& t = peek();
        switch (t.kind) {
        case TokenKind::Number: take(); return leaf(Op::Constant, 0, t.number);
        case TokenKind::Column: take(); return leaf(Op::Column, t.attribute, 0.0);
        case TokenKind::Function: {
            const Op function = take().function;
            if (peek().kind != TokenKind::Open)
                fail(QStringLiteral("函数后面应有“(”"));
            return combine(function, parenthesised());
        }
        case TokenKind::Open: return parenthesised();
        case TokenKind::Close: fail(QStringLiteral("此处缺少运算数"));
        case TokenKind::End: fail(QStringLiteral("缺少运算数"));
        default: fail(QStringLiteral("此处应为运算数"));
        }
    }

    NodePtr parenthesised()
    {
        take(); // (
        NodePtr inner = additive();
        if (peek().kind != TokenKind::Close)
            fail(QStringLiteral("缺少“)”"));
        take();
        return inner;
    }

    std::vector<Token> m_tokens;
    size_t m_pos = 0;
    int m_depth = 0;
};

// Collects a +/- combination of columns and whole constants into terms.
bool collectSum(const Node& node, int sign, FormulaProgram& program)
{
    switch (node.op) {
    case Op::Column: program.addTerm(node.attribute, sign); return true;
    case Op::Constant:
        if (node.constant != std::trunc(node.constant) || std::fabs(node.constant) > 1e9)
            return false;
        program.constant += sign * node.constant;
        return true;
    case Op::Add: return collectSum(*node.left, sign, program) && collectSum(*node.right, sign, program);
    case Op::Subtract: return collectSum(*node.left, sign, program) && collectSum(*node.right, -sign, program);
    case Op::Negate: return collectSum(*node.left, -sign, program);
    default: return false;
    }
}

void emitCode(const Node& node, FormulaProgram& program, int& depth)
{
    if (node.left)
        emitCode(*node.left, program, depth);
    if (node.right)
        emitCode(*node.right, program, depth);
    if (node.op == Op::Column || node.op == Op::Constant) {
        program.code.push_back({node.op, node.attribute, node.constant});
        program.maxDepth = std::max(program.maxDepth, ++depth);
    } else {
        program.code.push_back({node.op, 0, 0.0});
        if (node.right)
            --depth;
    }
}

} // namespace

void FormulaProgram::addTerm(int attribute, int coefficient)
{
    for (Term& term : terms) {
        if (term.attribute == attribute) {
            term.coefficient += coefficient;
            return;
        }
    }
    terms.push_back({attribute, coefficient});
}

long long FormulaProgram::sumOfCoefficients() const
{
    long long total = 0;
    for (const Term& term : terms)
        total += std::llabs(term.coefficient);
    return total;
}

FormulaProgram FormulaProgram::compile(const QString& text)
{
    const NodePtr root = Parser(tokenize(text)).parse();
    FormulaProgram program;
    int depth = 0;
    emitCode(*root, program, depth);

    FormulaProgram sum;
    if (collectSum(*root, 1, sum) && sum.sumOfCoefficients() <= FormulaProgram::kMaxSumCoefficients) {
        std::erase_if(sum.terms, [](const Term& t) { return t.coefficient == 0; });
        program.sum = true;
        program.terms = std::move(sum.terms);
        program.constant = sum.constant;
    }
    return program;
}
