// Benchmark of the results window over a projected project (853
// municipalities for the figures in bench/README.md):
//   - the three views of one year through the core (one read of the year
//     table, aggregates in one pass) against the two statements through SQLite;
//   - the window: "Pesquisar" on a year until all three grids are filled and
//     painted, and opening the window after a run (every intermediate table
//     plus the first year);
//   - scrolling the single-age grid (about 69,000 rows) a page at a time.
// usage: demovia_results_bench APP_DIR PROJECT [REPEATS] [--shot FOLDER MUN]
//   --shot: afterwards, screenshots of the window's pages (the year, and the
//   charts page: MUN's pyramid with the last year as outline, the state's by
//   age group in %, the total population), for looking at under xvfb.
#include "data/project.h"
#include "data/scripted_dialogs.h"
#include "data/sql_engine.h"
#include "results/ui/uResultados.h"
#include "results/year_views.h"
#include "ui/table_model.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QScreen>
#include <QToolButton>
#include <QComboBox>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <ctime>
#include <cstdio>
#include <functional>
#include <vector>

using namespace demovia;
using Clock = std::chrono::steady_clock;

namespace {

double ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

double cpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// Median and worst wall time of n calls, and the median processor time (the
// machine is shared: the processor time tells what the work itself costs).
void measure(const char* what, int n, const std::function<void()>& f)
{
    std::vector<double> t, cpu;
    for (int i = 0; i < n; ++i) {
        const double c = cpuMs();
        const auto a = Clock::now();
        f();
        t.push_back(ms(a, Clock::now()));
        cpu.push_back(cpuMs() - c);
    }
    std::sort(t.begin(), t.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("%-62s parede: mediana %7.1f ms, pior %7.1f ms | CPU: mediana %7.1f ms\n", what, t[t.size() / 2],
                t.back(), cpu[cpu.size() / 2]);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "uso: %s PASTA_DA_APLICACAO PROJETO [REPETICOES]\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const int n = argc > 3 ? std::atoi(argv[3]) : 5;
    const bool shots = argc > 6 && std::string(argv[4]) == "--shot";

    AppState state;
    state.appDir = fs::path(argv[1]) / "";
    ScriptedDialogs dialogs;
    const auto details = openProject(state, argv[2], dialogs);
    if (!details) {
        std::fprintf(stderr, "%s\n", dialogs.lastText().c_str());
        return 1;
    }
    const std::vector<int> years = projectedYears(state.projectDir, details->ano1Proj);
    if (years.empty()) {
        std::fprintf(stderr, "o projeto não tem anos projetados\n");
        return 1;
    }
    const std::string year = std::to_string(years.front());
    const fs::path file = yearTableFile(state.projectDir, year);

    std::printf("projeto %s, ano %s: %zu linhas\n", argv[2], year.c_str(), readTable(file).size());
    measure("núcleo: ler a tabela do ano", n, [&] { readTable(file); });
    measure("núcleo: as três vistas (uma leitura, somas numa passada)", n,
            [&] { readYearViews(state.projectDir, year); });
    measure("SQL: as duas consultas agregadas, motor novo a cada vez", n, [&] {
        SqlEngine sql;
        sql.query(ageGroupViewStatement(file));
        sql.query(totalsViewStatement(file));
    });

    {
        // The parts of showing a year in a grid, one by one.
        QTableView view;
        ui::TableModel model(NumberFormat{',', '.'});
        view.setModel(&model);
        view.resize(1200, 500);
        view.show();
        QApplication::processEvents();
        Table t = readTable(file);
        measure("  grade: pôr 69 mil linhas no modelo (e soltar as de antes)", n, [&] {
            Table copy = t;
            model.setTable(std::move(copy));
        });
        measure("  grade: larguras das colunas pelo conteúdo", n, [&] { view.resizeColumnsToContents(); });
        measure("  grade: pintar", n, [&] {
            view.viewport()->repaint();
            QApplication::processEvents();
        });
        measure("  (cópia da tabela, descontar da primeira linha)", n, [&] { Table copy = t; });
    }

    state.firstProjectedYear = details->ano1Proj;
    ui::UiContext ctx{state, dialogs, NumberFormat{',', '.'}};
    ui::TfrmResultados window(ctx);
    window.resize(1280, 800);
    window.show();
    window.findChild<QTabWidget*>("pc_resultados")->setCurrentIndex(1);
    QApplication::processEvents();

    RunOutcome outcome;
    outcome.projectedYears = years;
    outcome.firstProjectedYear = years.front();
    measure("janela: abrir depois de uma execução (tudo + 1º ano, pintado)", n, [&] {
        window.resetaForm();
        window.findChild<QTabWidget*>("pc_resultados")->setCurrentIndex(1);
        window.runFinished(outcome);
        window.repaint();
        QApplication::processEvents();
    });
    auto* list = window.findChild<QComboBox*>("cb_ano_projetado");
    int at = 0;
    measure("janela: Pesquisar um ano (três grades cheias, pintadas)", n, [&] {
        list->setCurrentIndex(at++ % list->count());
        window.sb_pesq_anoClick();
        window.repaint();
        QApplication::processEvents();
    });

    auto* grid = window.findChild<QTableView*>("grd_psfinais");
    QScrollBar* bar = grid->verticalScrollBar();
    const int pages = 200;
    std::vector<double> steps;
    for (int i = 0; i < pages; ++i) {
        const auto a = Clock::now();
        bar->setValue(bar->maximum() * i / pages);
        grid->viewport()->repaint();
        QApplication::processEvents();
        steps.push_back(ms(a, Clock::now()));
    }
    std::sort(steps.begin(), steps.end());
    std::printf("%-58s mediana %8.2f ms   pior %8.2f ms  (%d saltos em %d linhas)\n",
                "janela: rolar a grade de idades", steps[steps.size() / 2], steps.back(), pages,
                grid->model()->rowCount());
    if (!shots)
        return 0;

    const QString dir = argv[5];
    window.move(0, 0);
    const auto shot = [&](const QString& name) {
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
        QScreen* screen = QGuiApplication::primaryScreen();
        QPixmap p = screen ? screen->grabWindow(0) : QPixmap();
        if (p.isNull() || p.toImage().allGray())
            p = window.grab();
        p.save(dir + "/" + name + ".png");
    };
    list->setCurrentIndex(0);
    window.sb_pesq_anoClick();
    shot("janela_projecoes");
    window.findChild<QTabWidget*>("pc_resultados")->setCurrentIndex(2);
    window.findChild<QLineEdit*>("edt_mun_grafico")->setText(argv[6]);
    auto* compare = window.findChild<QComboBox*>("cb_comparar");
    compare->setCurrentIndex(compare->count() - 1);
    window.sb_desenharClick();
    shot("janela_piramide");
    window.findChild<QLineEdit*>("edt_mun_grafico")->clear();
    compare->setCurrentIndex(0);
    window.findChild<QCheckBox*>("ck_faixas")->setChecked(true);
    window.findChild<QCheckBox*>("ck_percentual")->setChecked(true);
    window.sb_desenharClick();
    shot("janela_piramide_uf");
    window.findChild<QComboBox*>("cb_grafico")->setCurrentIndex(1);
    window.sb_desenharClick();
    shot("janela_total");
    return 0;
}
