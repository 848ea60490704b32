#pragma once

namespace demovia::ui {

class TfrmPrincipal;

// Gives the converter, the help window, the about box and the desktop
// shortcut commands of the main window's menu their effect.
void connectToolCommands(TfrmPrincipal& principal);

} // namespace demovia::ui
