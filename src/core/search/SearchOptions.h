#pragma once

#include "search/CandidateGenerator.h"

#include <optional>

// The shape of the candidates: operand count (公式元数), tail constant
// (a fixed value, or random 0..10 when empty) and the text form.
struct SearchOptions {
    int operands = 8;
    std::optional<int> constant = 0;
    TextForm form = TextForm::Suffix;
};
