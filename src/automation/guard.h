// The process guard's share of the status pass.
#pragma once

namespace kovrin {

struct Tool;

void runGuardStep(Tool& tool);

}  // namespace kovrin
