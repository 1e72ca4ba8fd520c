#pragma once

#include <QString>

// Whether a field whose level rule is `rule` applies to a union of level `level`. A rule is
// either a set ("in [1,2,3]") or an operator and a number (">=4", "<>10").
bool MatchesLevelRule(int level, const QString& rule);
