#pragma once
// Something for the tuner to tune: block K of a design made the variable kp.
#include "QorexDoc.h"

#include <optional>

namespace qxtest {

// Makes block K of `doc` the variable kp, which the tuner may tune: at `kp`
// when given, else at the value a new variable takes; the design is
// recalculated.
void TunableK(CQorexDoc& doc, std::optional<double> kp = std::nullopt);

}  // namespace qxtest
