#pragma once

namespace demovia::ui {

class TfrmPrincipal;

// "UFs e Municípios" and "Coeficientes de interpolação": each opens its
// dialog anew, modally.
void connectRegistryCommands(TfrmPrincipal& main);

} // namespace demovia::ui
