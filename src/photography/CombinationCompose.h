#pragma once

#include <QString>

#include <vector>

// Laying the chosen shots into the multi-cell template for their number:
// the template the photography page keeps for that many shots, each shot
// twice in vertical double mode, the result in GridOutputPath().
struct CombinationComposition
{
    // The shots in window order (each twice in vertical double mode).
    std::vector<QString> shots;
    bool composed = false;
    // Why nothing was composed, for the operator: which template to choose.
    QString problem;
};

// Composes one to four shots with `quality`; `mode` is the combination mode.
CombinationComposition ComposeCombination(const std::vector<QString> &shots, int mode, int quality);
