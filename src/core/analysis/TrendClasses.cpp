#include "analysis/TrendClasses.h"

#include <stdexcept>

namespace {

// Two columns: `first` holds the numbers `inFirst` accepts, `second` the others.
template <typename Test>
void split(TrendClasses& classes, const QString& first, const QString& second, Test inFirst)
{
    classes.labels = {first, second};
    classes.sizes = {0, 0};
    for (int n = 1; n <= classes.range; ++n) {
        const int column = inFirst(n) ? 0 : 1;
        classes.columnOf.push_back(column);
        ++classes.sizes[static_cast<size_t>(column)];
    }
}

} // namespace

TrendClasses TrendClasses::of(TrendView view, int range)
{
    if (range < 2)
        throw std::invalid_argument("a trend needs at least two numbers");
    TrendClasses classes;
    classes.view = view;
    classes.range = range;
    switch (view) {
    case TrendView::Numbers:
        for (int n = 1; n <= range; ++n) {
            classes.labels << QStringLiteral("%1").arg(n, 2, 10, QChar(u'0'));
            classes.columnOf.push_back(n - 1);
            classes.sizes.push_back(1);
        }
        break;
    case TrendView::BigSmall:
        split(classes, QStringLiteral("大"), QStringLiteral("小"), [range](int n) { return n >= firstBig(range); });
        break;
    case TrendView::OddEven:
        split(classes, QStringLiteral("单"), QStringLiteral("双"), [](int n) { return n % 2 == 1; });
        break;
    case TrendView::PrimeComposite: split(classes, QStringLiteral("质"), QStringLiteral("合"), isPrimeClass); break;
    }
    return classes;
}

std::vector<int> TrendClasses::members(int column) const
{
    std::vector<int> numbers;
    for (int n = 1; n <= range; ++n)
        if (columnOf[static_cast<size_t>(n - 1)] == column)
            numbers.push_back(n);
    return numbers;
}

bool TrendClasses::isPrimeClass(int number)
{
    if (number < 2)
        return number == 1;
    for (int d = 2; d * d <= number; ++d)
        if (number % d == 0)
            return false;
    return true;
}
