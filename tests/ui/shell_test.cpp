// The shell's windows: main window, loading window, configuration and the
// three project dialogs, driven offscreen with scripted answers.
#include "data/error.h"
#include "data/project.h"
#include "data/project_guard.h"
#include "data/scripted_dialogs.h"
#include "data/ui/uAbreProjeto.h"
#include "data/ui/uExcluiProjeto.h"
#include "data/ui/uNovoProjeto.h"
#include "shell/ui/single_instance.h"
#include "ui/table_model.h"
#include "shell/ui/uCarga.h"
#include "shell/ui/uConf.h"
#include "shell/ui/uPrincipal.h"
#include "test_util.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

#include <sys/wait.h>
#include <unistd.h>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

using namespace demovia;
using namespace demovia::ui;
using demovia::test::readBytes;
using demovia::test::TempDir;
using demovia::test::writeBytes;

namespace {

// A work window that tells what was asked of it and keeps one value in the
// project details, as the census and larger-area windows do.
class FakeWindow : public WorkWindow {
public:
    FakeWindow(UiContext& ctx, std::vector<std::string>& log, const char* name)
        : WorkWindow(ctx), m_log(log), m_name(name)
    {
        setObjectName(name);
        setWindowTitle(name);
    }
    void resetaForm() override
    {
        m_log.push_back(m_name + ".reset");
        rsnHom = "105";
    }
    void projectOpened(const ProjectDetails& d) override
    {
        m_log.push_back(m_name + ".opened " + d.rsnHom);
        rsnHom = d.rsnHom;
    }
    void storeDetails(ProjectDetails& d) const override
    {
        m_log.push_back(m_name + ".store");
        d.rsnHom = rsnHom;
    }
    std::string rsnHom = "105";

private:
    std::vector<std::string>& m_log;
    std::string m_name;
};

// A copy of the application folder: reference tables, templates, help.
class ShellTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* d : {"DBPadrao", "DBVazio", "Ajuda"})
            fs::copy(test::appDir() / d, tmp / d, fs::copy_options::recursive);
    }

    std::unique_ptr<TfrmPrincipal> makeMain()
    {
        auto w = std::make_unique<TfrmPrincipal>(app(), dialogs, NumberFormat{});
        w->setLoadAtFirstShow(false);
        return w;
    }
    // The main window with the census window and the configuration window.
    std::unique_ptr<TfrmPrincipal> makeMainWithWindows()
    {
        auto w = makeMain();
        census = new FakeWindow(w->context(), log, "censos");
        w->addWorkWindow(WindowRole::Censos, census);
        conf = new TfrmConf(w->context());
        w->addWorkWindow(WindowRole::Conf, conf);
        return w;
    }
    fs::path app() const { return tmp.path() / ""; }

    void create(TfrmPrincipal& w, const QString& uf, const QString& name, const QString& description)
    {
        TfrmNovoProjeto dlg(w, &w);
        dlg.show();
        auto* cb = dlg.findChild<QComboBox*>("cb_uf");
        cb->setCurrentIndex(cb->findText(uf));
        dlg.findChild<QLineEdit*>("eb_novo")->setText(name);
        dlg.findChild<QPlainTextEdit*>("mm_descricao_nova")->setPlainText(description);
        QTest::mouseClick(dlg.findChild<QPushButton*>("bb_criar"), Qt::LeftButton);
    }

    QString panel(TfrmPrincipal& w, int i)
    {
        return w.findChild<QLabel*>(QString("Status_Principal_%1").arg(i))->text();
    }

    TempDir tmp;
    ScriptedDialogs dialogs;
    std::vector<std::string> log;
    FakeWindow* census = nullptr;
    TfrmConf* conf = nullptr;
};

TEST_F(ShellTest, MainWindowStartsWithItsMenusAndPanels)
{
    auto w = makeMain();
    EXPECT_EQ(w->windowTitle(), "Demovia");
    EXPECT_TRUE(dialogs.log.empty());
    ASSERT_NE(w->findChild<QStatusBar*>("Status_Principal"), nullptr);
    EXPECT_EQ(panel(*w, 0), "UF");
    EXPECT_EQ(panel(*w, 1), "Geral");
    EXPECT_EQ(w->findChild<QLabel*>("Status_Principal_0")->width(), 100);

    const std::vector<std::pair<const char*, const char*>> items = {
        {"mi_servicos", "&Serviços"},
        {"mi_serv_novo", "Novo"},
        {"mi_serv_abrir", "Abrir"},
        {"mi_serv_excluir", "Excluir"},
        {"mi_serv_arquivos", "Arquivos"},
        {"mi_serv_ufs_municipios", "UFs e Municípios"},
        {"mi_serv_coef_interp", "Coeficientes de interpolação"},
        {"mi_serv_conversores", "Conversores"},
        {"mi_serv_sair", "Sair"},
        {"mi_janelas", "&Janelas"},
        {"mi_jan_min_todas", "Minimizar todas"},
        {"mi_jan_cascata", "Em cascata"},
        {"mi_jan_horizontal", "Na horizontal"},
        {"mi_jan_vertical", "Na vertical"},
        {"mi_jan_censos", "Censos"},
        {"mi_jan_bases_proj", "Bases para a projeção"},
        {"mi_jan_pre_precess", "Pré-processamento"},
        {"mi_jan_resultados", "Resultados"},
        {"mi_jan_extras", "Extras"},
        {"mi_jan_k_mod", "Modificador do K"},
        {"mi_jan_adapext", "Adaptador Externo"},
        {"mi_jan_conf", "Configurações padrão"},
        {"mi_ajuda", "&Ajuda"},
        {"mi_aju_manual", "Manual"},
        {"mi_aju_sobre", "Sobre o sistema"},
        {"mi_aju_atalho", "Criar atalho na área de trabalho"},
        {"mi_ppm_maximizar", "&Maximizar tela principal"},
        {"mi_ppm_minimizar", "Minimizar janelas abertas"},
    };
    for (const auto& [name, caption] : items) {
        QAction* a = w->menuItem(name);
        ASSERT_NE(a, nullptr) << name;
        EXPECT_EQ(a->text(), QString::fromUtf8(caption)) << name;
        EXPECT_TRUE(a->isEnabled()) << name;
    }
    EXPECT_EQ(w->menuItem("mi_serv_sair")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_X));
    ASSERT_NE(w->findChild<QMenu*>("ppm_tela"), nullptr);
    // The three top menus in their order.
    QStringList top;
    for (QAction* a : w->menuBar()->actions())
        top << a->text();
    EXPECT_EQ(top, QStringList({"&Serviços", "&Janelas", "&Ajuda"}));
}

TEST_F(ShellTest, WithoutHelpPagesTheHelpMenuIsDisabled)
{
    fs::remove_all(tmp / "Ajuda");
    fs::create_directory(tmp / "Ajuda");
    writeBytes(tmp / "Ajuda" / "leia.txt", "x");
    auto w = makeMain();
    ASSERT_EQ(dialogs.log.size(), 1u);
    EXPECT_EQ(dialogs.log[0].kind, "warning");
    EXPECT_EQ(dialogs.log[0].text, "Não foi encontrado qualquer arquivo de ajuda.\n\nDeve existir algum arquivo "
                                   "*.HTM* no diretório\n" + folderText(app()) + "Ajuda");
    EXPECT_FALSE(w->menuItem("mi_ajuda")->isEnabled());

    // A page in capitals is a help page too.
    writeBytes(tmp / "Ajuda" / "INDEX.HTML", "x");
    ScriptedDialogs quiet;
    TfrmPrincipal w2(app(), quiet, NumberFormat{});
    EXPECT_TRUE(quiet.log.empty());
    EXPECT_TRUE(w2.menuItem("mi_ajuda")->isEnabled());
}

TEST_F(ShellTest, LeftoverTemporaryTablesAreDeletedAtStart)
{
    for (const char* f : {"_X.DB", "_y.dbf", "_T.Dbt", "X.DB", "_X.TXT", "a_X.DB"})
        writeBytes(tmp / f, "x");
    fs::create_directory(tmp / "_pasta.db");
    auto w = makeMain();
    for (const char* f : {"_X.DB", "_y.dbf", "_T.Dbt"})
        EXPECT_FALSE(fs::exists(tmp / f)) << f;
    for (const char* f : {"X.DB", "_X.TXT", "a_X.DB", "_pasta.db"})
        EXPECT_TRUE(fs::exists(tmp / f)) << f;
}

TEST_F(ShellTest, WindowCommandsSkipDisabledWindowsAndMinimiseAll)
{
    auto w = makeMainWithWindows();
    w->show();
    QMdiSubWindow* c = w->subWindow(WindowRole::Censos);
    QMdiSubWindow* k = w->subWindow(WindowRole::Conf);
    EXPECT_FALSE(c->isEnabled());
    EXPECT_TRUE(k->isEnabled());

    w->menuItem("mi_jan_min_todas")->trigger();
    EXPECT_TRUE(c->isMinimized());
    EXPECT_TRUE(k->isMinimized());

    w->menuItem("mi_jan_censos")->trigger(); // disabled: nothing
    EXPECT_TRUE(c->isMinimized());
    w->menuItem("mi_jan_k_mod")->trigger(); // absent: nothing
    w->menuItem("mi_jan_conf")->trigger();
    EXPECT_FALSE(k->isMinimized());
    EXPECT_FALSE(k->isMaximized());
    EXPECT_EQ(w->mdiArea()->activeSubWindow(), k);

    // A right press on the frame's own surface opens the pop-up menu.
    auto* ppm = w->findChild<QMenu*>("ppm_tela");
    w->menuItem("mi_jan_min_todas")->trigger();
    QTest::mouseClick(w->mdiArea()->viewport(), Qt::RightButton, {}, QPoint(300, 40));
    EXPECT_TRUE(ppm->isVisible());
    ppm->hide();
    w->menuItem("mi_jan_conf")->trigger();

    // Closing a work window's frame only minimises it.
    EXPECT_FALSE(k->close());
    EXPECT_TRUE(k->isMinimized());
}

TEST_F(ShellTest, NameBoxTakesLettersAndDigitsInCapitals)
{
    auto w = makeMain();
    TfrmNovoProjeto dlg(*w, w.get());
    dlg.show();
    auto* eb = dlg.findChild<QLineEdit*>("eb_novo");
    QTest::keyClicks(eb, "a1-b");
    EXPECT_EQ(eb->text(), "A1B");
    QTest::keyClick(eb, Qt::Key_Backspace);
    QTest::keyClicks(eb, "z x9.");
    QKeyEvent cedilla(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUtf8("ç"));
    QApplication::sendEvent(eb, &cedilla);
    EXPECT_EQ(eb->text(), "A1ZX9");
    // Tab is no character: it moves on to the description.
    QApplication::setActiveWindow(&dlg);
    eb->setFocus();
    QTest::keyClick(eb, Qt::Key_Tab);
    EXPECT_EQ(eb->text(), "A1ZX9");
    EXPECT_EQ(dlg.focusWidget(), dlg.findChild<QPlainTextEdit*>("mm_descricao_nova"));
    EXPECT_EQ(eb->maxLength(), 8);
}

TEST_F(ShellTest, CreatingAProjectOpensItAndWritesItsDetails)
{
    auto w = makeMainWithWindows();
    w->show();
    {
        TfrmNovoProjeto dlg(*w, w.get());
        dlg.show();
        EXPECT_EQ(dlg.windowTitle(), "Criando um novo projeto");
        auto* lb = dlg.findChild<QListWidget*>("lb_trabs");
        ASSERT_EQ(lb->count(), 1);
        EXPECT_EQ(lb->item(0)->text(), QString::fromUtf8(kNoProjects));
        auto* cb = dlg.findChild<QComboBox*>("cb_uf");
        EXPECT_EQ(cb->currentIndex(), -1);
        EXPECT_EQ(cb->itemText(1), "AC (12)");

        // Every field is needed.
        dlg.findChild<QLineEdit*>("eb_novo")->setText("P1");
        QTest::mouseClick(dlg.findChild<QPushButton*>("bb_criar"), Qt::LeftButton);
        EXPECT_EQ(dialogs.lastText(), "Os três campos são obrigatórios");
        EXPECT_EQ(w->windowTitle(), "Demovia");
        EXPECT_TRUE(dlg.isVisible());

        cb->setCurrentIndex(1);
        dlg.findChild<QPlainTextEdit*>("mm_descricao_nova")->setPlainText("  Acre, teste  ");
        QTest::mouseClick(dlg.findChild<QPushButton*>("bb_criar"), Qt::LeftButton);
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_EQ(dlg.findChild<QPlainTextEdit*>("mm_descricao_nova")->toPlainText(), "Acre, teste");
    }
    EXPECT_EQ(w->windowTitle(), "Demovia - P1");
    EXPECT_EQ(panel(*w, 0), "UF = 12");
    EXPECT_EQ(panel(*w, 1), "Acre, teste");
    EXPECT_TRUE(w->state().newProjectMark);
    const std::string ini = readBytes(tmp / "Trabalho" / "P1" / "detalhes.ini");
    EXPECT_NE(ini.find("uf= 12"), std::string::npos) << ini;
    EXPECT_NE(ini.find("obs=Acre, teste"), std::string::npos) << ini;
    EXPECT_EQ(std::distance(fs::directory_iterator(tmp / "Trabalho" / "P1"), fs::directory_iterator{}), 1);
    // The program holds the project it has open: another process is refused its lock.
    ASSERT_TRUE(w->state().lock);
    {
        const pid_t pid = fork();
        if (pid == 0) {
            try {
                ProjectLock::acquire(tmp / "Trabalho" / "P1");
                _exit(1);
            } catch (const Error&) {
                _exit(0);
            }
        }
        int status = -1;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a second process took the lock";
    }

    // The census window was reset, placed at the top left and enabled.
    EXPECT_NE(std::find(log.begin(), log.end(), "censos.reset"), log.end());
    QMdiSubWindow* c = w->subWindow(WindowRole::Censos);
    EXPECT_TRUE(c->isEnabled());
    EXPECT_EQ(c->geometry(), QRect(0, 0, 500, 300));
    EXPECT_TRUE(w->subWindow(WindowRole::Conf)->isMinimized());

    // A second project of the same name is refused, whatever the case typed.
    TfrmNovoProjeto dlg(*w, w.get());
    dlg.show();
    EXPECT_EQ(dlg.findChild<QListWidget*>("lb_trabs")->item(0)->text(), "P1");
    EXPECT_EQ(dlg.findChild<QPlainTextEdit*>("mm_descricao")->toPlainText(), "Acre, teste");
    auto* cb = dlg.findChild<QComboBox*>("cb_uf");
    cb->setCurrentIndex(cb->findText("SP (35)"));
    QTest::keyClicks(dlg.findChild<QLineEdit*>("eb_novo"), "p1");
    dlg.findChild<QPlainTextEdit*>("mm_descricao_nova")->setPlainText("outro");
    QTest::mouseClick(dlg.findChild<QPushButton*>("bb_criar"), Qt::LeftButton);
    EXPECT_EQ(dialogs.lastText(), "Um nome como o digitado já existe.\n\nEscolha outro");
    EXPECT_EQ(w->windowTitle(), "Demovia - P1");
    EXPECT_EQ(panel(*w, 0), "UF = 12");
}

TEST_F(ShellTest, ANewProjectStartsWithTheConfiguredSexRatio)
{
    auto w = makeMainWithWindows();
    // The larger-area window copies the configuration box at its reset.
    class ProjCenso : public FakeWindow {
    public:
        ProjCenso(UiContext& c, std::vector<std::string>& l, TfrmConf* conf) : FakeWindow(c, l, "projcenso"), m_conf(conf) {}
        void resetaForm() override { rsnHom = m_conf->sexRatio(); }
        TfrmConf* m_conf;
    };
    w->addWorkWindow(WindowRole::ProjCenso, new ProjCenso(w->context(), log, conf));
    conf->findChild<QLineEdit*>("Ed_QtdHom")->setText("98");
    create(*w, "AC (12)", "P1", "um");
    EXPECT_EQ(readProjectDetails(tmp / "Trabalho" / "P1" / "detalhes.ini").rsnHom, "98");
}

TEST_F(ShellTest, OpeningAProjectSavesTheOneLeftAndRestoresItsState)
{
    auto w = makeMainWithWindows();
    w->show();
    create(*w, "AC (12)", "P1", "primeiro");
    create(*w, "SP (35)", "P2", "segundo");
    ASSERT_EQ(w->windowTitle(), "Demovia - P2");
    census->rsnHom = "97"; // what P2's window shows when it is left

    ProjectDetails d1 = readProjectDetails(tmp / "Trabalho" / "P1" / "detalhes.ini");
    d1.rsnHom = "110";
    d1.ano1Proj = 2001;
    writeProjectDetails(tmp / "Trabalho" / "P1" / "detalhes.ini", d1);

    log.clear();
    TfrmAbreProjeto dlg(*w, w.get());
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), "Abrindo um projeto existente");
    auto* lb = dlg.findChild<QListWidget*>("lb_trabs");
    ASSERT_EQ(lb->count(), 2);
    lb->setCurrentItem(lb->findItems("P1", Qt::MatchExactly).at(0));
    EXPECT_EQ(dlg.findChild<QPlainTextEdit*>("mm_descricao")->toPlainText(), "primeiro");
    QTest::mouseClick(dlg.findChild<QPushButton*>("bb_abrir"), Qt::LeftButton);
    EXPECT_FALSE(dlg.isVisible());

    EXPECT_EQ(w->windowTitle(), "Demovia - P1");
    EXPECT_EQ(panel(*w, 0), "UF = 12");
    EXPECT_EQ(panel(*w, 1), "primeiro");
    EXPECT_EQ(w->state().firstProjectedYear, 2001);
    EXPECT_EQ(census->rsnHom, "110");
    EXPECT_EQ(log, (std::vector<std::string>{"censos.store", "censos.reset", "censos.opened 110"}));
    // P2 was saved as its window showed it before anything of P1 was touched.
    const ProjectDetails d2 = readProjectDetails(tmp / "Trabalho" / "P2" / "detalhes.ini");
    EXPECT_EQ(d2.rsnHom, "97");
    EXPECT_EQ(d2.uf, "35");
    EXPECT_EQ(d2.obs, "segundo");
    EXPECT_TRUE(w->subWindow(WindowRole::Censos)->isEnabled());
}

TEST_F(ShellTest, OpenAndDeleteNeedTheWorkFolderAndAProject)
{
    auto w = makeMain();
    w->menuItem("mi_serv_abrir")->trigger();
    EXPECT_EQ(dialogs.lastText(), "Não há trabalhos a recuperar.\n\nUse a opção \"Serviços -> Novo\" para criar um");
    w->menuItem("mi_serv_excluir")->trigger();
    EXPECT_EQ(dialogs.lastText(), "Não há trabalhos a excluir");

    // The placeholder line opens and deletes nothing.
    fs::create_directory(tmp / "Trabalho");
    fs::create_directory(tmp / "Trabalho" / "VAZIA"); // no detalhes.ini: no project
    TfrmAbreProjeto open(*w, w.get());
    open.show();
    auto* lb = open.findChild<QListWidget*>("lb_trabs");
    ASSERT_EQ(lb->count(), 1);
    EXPECT_EQ(lb->item(0)->text(), QString::fromUtf8(kNoProjects));
    EXPECT_FALSE(open.findChild<QPushButton*>("bb_abrir")->isEnabled());
    open.bb_abrirClick();
    EXPECT_EQ(w->windowTitle(), "Demovia");
    TfrmExcluiProjeto del(*w, w.get());
    del.show();
    EXPECT_FALSE(del.findChild<QPushButton*>("bb_excluir")->isEnabled());
    del.bb_excluirClick();
    EXPECT_TRUE(fs::exists(tmp / "Trabalho" / "VAZIA"));
}

TEST_F(ShellTest, DeletingAsksAndRefusesTheOpenProject)
{
    auto w = makeMainWithWindows();
    for (const char* n : {"A1", "B2", "C3"})
        create(*w, "AC (12)", n, std::string("projeto ").append(n).c_str());
    ASSERT_EQ(w->windowTitle(), "Demovia - C3");

    TfrmExcluiProjeto dlg(*w, w.get());
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), "Excluindo um projeto existente");
    auto* lb = dlg.findChild<QListWidget*>("lb_trabs");
    auto select = [&](const char* n) { lb->setCurrentItem(lb->findItems(n, Qt::MatchExactly).at(0)); };
    auto* bb = dlg.findChild<QPushButton*>("bb_excluir");

    select("B2");
    dialogs.confirmAnswers = {false};
    QTest::mouseClick(bb, Qt::LeftButton);
    EXPECT_EQ(dialogs.log.back().kind, "confirm");
    EXPECT_EQ(dialogs.lastText(), "Você está para excluir o projeto B2.\n\nContinuar");
    EXPECT_TRUE(fs::exists(tmp / "Trabalho" / "B2"));

    dialogs.confirmAnswers = {true};
    QTest::mouseClick(bb, Qt::LeftButton);
    EXPECT_FALSE(fs::exists(tmp / "Trabalho" / "B2"));
    ASSERT_EQ(lb->count(), 2);
    for (int i = 0; i < 2; ++i) {
        lb->setCurrentRow(i);
        EXPECT_EQ(dlg.findChild<QPlainTextEdit*>("mm_descricao")->toPlainText(), "projeto " + lb->item(i)->text());
    }

    select("C3");
    dialogs.confirmAnswers = {true};
    QTest::mouseClick(bb, Qt::LeftButton);
    EXPECT_TRUE(fs::exists(tmp / "Trabalho" / "C3" / "detalhes.ini"));
    EXPECT_EQ(dialogs.log.back().kind, "warning");
    EXPECT_EQ(lb->count(), 2);
}

TEST_F(ShellTest, ConfigurationBoxFromTheFileAndGrava)
{
    struct Case {
        const char* conf; // nullptr: no conf.ini
        const char* box;
    };
    const Case cases[] = {
        {nullptr, "105"},
        {"[popproj]\nEd_QtdHom=98\n", "98"},
        {"[popproj]\n", "100"},
        {"[outra]\nx=1\n", "100"},
    };
    for (const auto& c : cases) {
        fs::remove(tmp / "conf.ini");
        if (c.conf)
            writeBytes(tmp / "conf.ini", c.conf);
        ScriptedDialogs d;
        AppState s;
        s.appDir = app();
        UiContext ctx{s, d, NumberFormat{}};
        TfrmConf f(ctx);
        EXPECT_EQ(f.windowTitle(), "Configurações gerais");
        EXPECT_EQ(f.findChild<QLineEdit*>("Ed_QtdHom")->text(), c.box) << (c.conf ? c.conf : "none");
        EXPECT_EQ(f.sexRatio(), c.box);
        EXPECT_TRUE(d.log.empty());
    }

    // Any three characters are kept as typed; the rest of the file stays.
    ScriptedDialogs d;
    AppState s;
    s.appDir = app();
    UiContext ctx{s, d, NumberFormat{}};
    TfrmConf f(ctx);
    auto* ed = f.findChild<QLineEdit*>("Ed_QtdHom");
    EXPECT_EQ(ed->maxLength(), 3);
    ed->clear();
    QTest::keyClicks(ed, "9x77");
    EXPECT_EQ(ed->text(), "9x7");
    auto* tb = f.findChild<QToolButton*>("tb_grava");
    EXPECT_EQ(tb->text(), "&Grava");
    EXPECT_EQ(tb->toolTip(), "Grava a configuração do sistema");
    QTest::mouseClick(tb, Qt::LeftButton);
    const std::string ini = readBytes(tmp / "conf.ini");
    EXPECT_NE(ini.find("[outra]"), std::string::npos) << ini;
    EXPECT_NE(ini.find("[popproj]"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Ed_QtdHom=9x7"), std::string::npos) << ini;
    TfrmConf again(ctx);
    EXPECT_EQ(again.sexRatio(), "9x7");
}

TEST_F(ShellTest, UnreadableConfigurationGivesTheDefaultAndAWarning)
{
    fs::create_directory(tmp / "conf.ini"); // there, but not a file that can be read
    ScriptedDialogs d;
    AppState s;
    s.appDir = app();
    UiContext ctx{s, d, NumberFormat{}};
    TfrmConf f(ctx);
    EXPECT_EQ(f.sexRatio(), "105");
    ASSERT_EQ(d.log.size(), 1u);
    EXPECT_EQ(d.log[0].kind, "warning");
    EXPECT_EQ(d.log[0].text.rfind("Não foi possível ler o arquivo de configuração do sistema.\nOs valores-padrão "
                                  "foram carregados.\n\nErro original: ", 0),
              0u)
        << d.log[0].text;
}

TEST_F(ShellTest, ClosingSavesTheDetailsBeforeAsking)
{
    auto w = makeMainWithWindows();
    w->show();

    // No project: only the question; No keeps the window.
    dialogs.confirmAnswers = {false};
    EXPECT_FALSE(w->close());
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(dialogs.log.back().text, "Mesmo fechando o módulo Demovia seu trabalho pode ser recuperado.\nContinuar");
    EXPECT_FALSE(fs::exists(tmp / "Trabalho"));

    create(*w, "AC (12)", "P1", "um");
    census->rsnHom = "96";
    log.clear();
    dialogs.confirmAnswers = {false};
    EXPECT_FALSE(w->close());
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(log, std::vector<std::string>{"censos.store"});
    EXPECT_EQ(readProjectDetails(tmp / "Trabalho" / "P1" / "detalhes.ini").rsnHom, "96");

    dialogs.confirmAnswers = {true};
    EXPECT_TRUE(w->close());
    EXPECT_FALSE(w->isVisible());
}

TEST_F(ShellTest, LoadingWindowListsTheTablesNewestFirstAndClosesItself)
{
    ScriptedDialogs d;
    TfrmCarga carga(app(), NumberFormat{}, d, nullptr, 20);
    EXPECT_EQ(carga.windowTitle(), "Abrindo arquivos fundamentais");
    EXPECT_EQ(carga.exec(), QDialog::Accepted);
    EXPECT_FALSE(carga.failed());
    const QStringList lines = carga.lines();
    ASSERT_EQ(lines.size(), 5);
    for (const QString& l : lines)
        EXPECT_TRUE(l.startsWith("carregado - ")) << l.toStdString();
    EXPECT_TRUE(lines.first().endsWith("sprague.dbf"));
    EXPECT_TRUE(lines.last().endsWith("uf.dbf"));
    EXPECT_EQ(lines.last().size(), QString("carregado - ").size() + 30);
    EXPECT_EQ(carga.findChild<QProgressBar*>("pb_carga")->value(), 5);
    EXPECT_TRUE(d.log.empty());
}

TEST_F(ShellTest, LoadingWindowFailsWhenAMissingTableIsNotFound)
{
    fs::remove(tmp / "DBPadrao" / "kking.dbf");
    ScriptedDialogs d; // the open dialog is cancelled
    TfrmCarga carga(app(), NumberFormat{}, d, nullptr, 20);
    EXPECT_EQ(carga.exec(), QDialog::Rejected);
    EXPECT_TRUE(carga.failed());
    ASSERT_EQ(d.log.size(), 2u);
    EXPECT_EQ(d.log[0].text, "O arquivo de Coeficientes de Karup King não existe.\n\nVocê deverá encontrá-lo agora");
    EXPECT_EQ(d.log[1].kind, "warning");
    EXPECT_EQ(d.log[1].text.rfind("Erro ao tentar abrir o arquivo\n", 0), 0u);
    EXPECT_NE(d.log[1].text.find("A aplicação será fechada"), std::string::npos);
}

TEST_F(ShellTest, SecondCopyDoesNotGetTheLock)
{
    const QString folder = QString::fromStdString(tmp.path().string());
    SingleInstance first("Kavo.Demovia", folder);
    EXPECT_TRUE(first.acquired());
    EXPECT_FALSE(SingleInstance("Kavo.Demovia", folder).acquired());
}

TEST_F(ShellTest, TableModelShowsFieldsAndRegionalNumbers)
{
    Table t({{"mun", 'C', 4, 0}, {"valor", 'N', 12, 4}});
    t.append({Value("0010"), Value(1.5)});
    t.append({Value("0020"), Value()});
    TableModel m(NumberFormat{',', '.'});
    m.setTable(t);
    EXPECT_EQ(m.rowCount(), 2);
    EXPECT_EQ(m.columnCount(), 2);
    EXPECT_EQ(m.headerData(1, Qt::Horizontal).toString(), "valor");
    EXPECT_EQ(m.cellText(0, 0), "0010");
    EXPECT_EQ(m.cellText(0, 1), "1,5");
    EXPECT_EQ(m.cellText(1, 1), "");
    EXPECT_EQ(m.findRow("MUN", "0020"), 1);
    EXPECT_EQ(m.findRow("mun", "20"), -1);
    EXPECT_FALSE(m.load(tmp / "nada.dbf"));
    EXPECT_EQ(m.rowCount(), 0);
    EXPECT_TRUE(m.load(tmp / "DBPadrao" / "UF.DBF"));
    EXPECT_EQ(m.cellText(1, 1), "AC");
}

} // namespace
