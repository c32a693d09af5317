#pragma once

#include "common/LotteryTable.h"
#include "history/DrawAttributes.h"

#include <QString>
#include <optional>
#include <vector>

// What one row of a results page says about one issue: its five numbers, or
// why what follows the issue is not a draw of this lottery.
struct ResultsPageReading {
    QString issue; // in the stored form
    std::optional<DrawNumbers> numbers;
    QString problem; // set when numbers is empty
};

// Reads the draws in one row of a results page. An issue is a whole token (no
// digit directly before or after it) of the form YYMMDDNN, YYYYMMDDNN, YYMMDD-NN
// or YYYYMMDD-NN, optionally followed by "期"; the 快乐12 lotteries also write the
// serial with three digits (YYYYMMDD-0NN). Its date must exist. After it come the
// five numbers, two digits each, apart by blanks or commas; "期", a date, a time
// or a label in Chinese may stand between the issue and the first number. The
// issue followed directly by the first number ("2612080105 03 07 01 11", the
// layout read before pages were parsed) is read too.
class ResultsPageRow {
public:
    static std::vector<ResultsPageReading> read(const QString& row, const LotteryTable::Entry& lottery);
};
