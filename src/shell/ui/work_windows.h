#pragma once

namespace demovia::ui {

class TfrmPrincipal;

// Creates the work windows in their fixed order, registers each with the main
// window and ties together what one window reads from another: the census
// dates and the sex ratio for a run, the default sex ratio of a new project,
// the grouped tables after the grouping, the first projected year after a run.
void addWorkWindows(TfrmPrincipal& principal);

} // namespace demovia::ui
