#pragma once
#include "data/dialogs.h"
#include "data/project_details.h"
#include "data/text_exchange.h"
#include "data/app_state.h"

#include <QWidget>

#include <exception>
#include <string>

namespace demovia::ui {

// What every window shares: the state the main window keeps, the way to talk
// to the person and the regional number format.
struct UiContext {
    AppState& state;
    Dialogs& dialogs;
    NumberFormat format;
};

// The census dates as the census window shows them, read by the
// pre-processing window when it starts a run.
struct CensusDates {
    std::string year1;  // the year box of census 1 as shown
    int month1 = -1;    // 0 "Janeiro" .. 11 "Dezembro"; -1 when none is selected
    std::string year2;
    int month2 = -1;
};

// A work window inside the main window. It gathers what the person chose,
// calls one core function and shows what it returns.
class WorkWindow : public QWidget {
public:
    WorkWindow(UiContext& ctx, QWidget* parent = nullptr) : QWidget(parent), m_ctx(ctx) {}

    // Back to the empty state (the reset of all windows).
    virtual void resetaForm() = 0;
    // A project was opened: restore what detalhes.ini keeps for this window
    // and show the project's tables that exist.
    virtual void projectOpened(const ProjectDetails& /*details*/) {}
    // The project details are being saved: put this window's part into them.
    virtual void storeDetails(ProjectDetails& /*details*/) const {}

protected:
    // An error no operation of the window expected: the general error report
    // (the text, ending with a full stop, in an error box).
    void reportGeneral(const std::string& text) const { m_ctx.dialogs.error(generalErrorText(text)); }
    void reportGeneral(const std::exception& e) const { reportGeneral(std::string(e.what())); }

    UiContext& m_ctx;
};

} // namespace demovia::ui
