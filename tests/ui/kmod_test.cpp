#include "data/project.h"
#include "data/schema.h"
#include "data/scripted_dialogs.h"
#include "data/table.h"
#include "data/text_util.h"
#include "results/ui/uAplica_K_Mod.h"
#include "results/ui/uK_Mod.h"
#include "ui/table_model.h"
#include "window_fixture.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace demovia;
using namespace demovia::ui;
using demovia::test::child;
using demovia::test::modelOf;
using demovia::test::selectedRow;

namespace {

class StepLog : public RunMonitor {
public:
    std::vector<std::string> lines;
    void insertStep(const std::string& title) override { lines.insert(lines.begin(), title); }
    void appendLine(const std::string& line) override { lines.push_back(line); }
};

// A new project of Acre (12) whose grouped totals hold the municipalities
// 0001 and 0010, and K factors of 0.25 for both.
class KModTest : public test::OpenProjectTest {
protected:
    void SetUp() override
    {
        OpenProjectTest::SetUp();
        if (HasFatalFailure())
            return;
        Table tot(templateDef("Tot_UFM.dbf").fields);
        for (const char* m : {"0001", "0010"})
            for (int g = 1; g <= 17; ++g)
                tot.append({"12", m, age3(g), 1.0, 1.0, 1.0, 1.0});
        writeTable(state.projectDir / "tot_ufm.dbf", tot);
        Table k(templateDef("fator_k.dbf").fields);
        for (const char* m : {"0001", "0010"})
            for (int x = 0; x <= 80; ++x)
                k.append({m, age3(x), 0.25, 0.25});
        writeTable(fatorK(), k);
    }
    fs::path fatorK() const { return state.projectDir / "fator_k.dbf"; }

    static QStringList items(QListWidget* l)
    {
        QStringList out;
        for (int i = 0; i < l->count(); ++i)
            out << l->item(i)->text();
        return out;
    }
    // New model through the input box, then one modifier through the controls.
    void addModifier(TfrmK_Mod& w, const std::string& model, int mun, const char* sexo, const char* faixa,
                     const char* op, const char* keys)
    {
        dialogs.inputs.push_back(model);
        child<QToolButton>(&w, "tb_novo_modelo")->click();
        if (child<QComboBox>(&w, "cb_mun")->count() == 0)
            child<QToolButton>(&w, "tb_lista_mun")->click();
        child<QComboBox>(&w, "cb_mun")->setCurrentIndex(mun);
        child<QComboBox>(&w, "cb_sexo")->setCurrentText(sexo);
        child<QComboBox>(&w, "cb_faixa")->setCurrentText(faixa);
        child<QComboBox>(&w, "cb_operacao")->setCurrentText(QString::fromUtf8(op));
        auto* valor = child<QLineEdit>(&w, "edt_valor");
        valor->clear();
        QTest::keyClicks(valor, keys);
        child<QPushButton>(&w, "bb_inserir")->click();
    }
};

} // namespace

TEST_F(KModTest, ModelsAndModifiersThroughTheWindow)
{
    TfrmK_Mod w(ctx);
    EXPECT_EQ(w.windowTitle(), "Modificadores de fator K");
    w.resetaForm(); // part of the new project: no question
    w.projectOpened(ProjectDetails{});
    ASSERT_TRUE(fs::exists(state.projectDir / "k_mod.dbf"));

    dialogs.log.clear();
    addModifier(w, "  zona sul ", 1, "Homem", "3", "Raiz", "-a,7");
    ASSERT_EQ(dialogs.log.size(), 1u) << dialogs.lastText(); // the input box alone
    EXPECT_EQ(dialogs.log[0].kind, "input");
    EXPECT_EQ(dialogs.log[0].text, "Novo modelo (15 caracteres)");
    auto* list = child<QListWidget>(&w, "lb_modelos");
    EXPECT_EQ(items(list), QStringList{"ZONA SUL"});
    EXPECT_EQ(list->currentRow(), 0);
    auto* cbMun = child<QComboBox>(&w, "cb_mun");
    EXPECT_EQ(cbMun->itemText(0), "0001 - Acrelândia");
    EXPECT_EQ(cbMun->itemText(1), "0010 - Brasiléia");
    EXPECT_EQ(child<QLineEdit>(&w, "edt_valor")->text(), "7");
    const Table t = readTable(state.projectDir / "k_mod.dbf");
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t.rows[0], (Row{"ZONA SUL", "0010", "HOMEM", "RAIZ", "7", "3"}));
    EXPECT_EQ(child<QTableView>(&w, "grd_k_mod")->model()->rowCount(), 1);

    // A second model lists sorted; the grid shows its own row only.
    addModifier(w, "centro", 0, "Ambos", "Todas", "Potência", "2");
    EXPECT_EQ(items(list), (QStringList{"CENTRO", "ZONA SUL"}));
    EXPECT_EQ(child<QTableView>(&w, "grd_k_mod")->model()->rowCount(), 1);

    // Reopening rebuilds the list from the table; the municipality list is
    // made again only when the person says so.
    dialogs.confirmAnswers = {false};
    w.resetaForm();
    EXPECT_TRUE(dialogs.saw("confirm", "A lista de municípios já foi montada.\n\nRefazê-la"));
    EXPECT_EQ(cbMun->count(), 2);
    w.projectOpened(ProjectDetails{});
    EXPECT_EQ(items(list), (QStringList{"CENTRO", "ZONA SUL"}));
    EXPECT_EQ(list->currentRow(), 0);
    dialogs.confirmAnswers = {true};
    w.resetaForm();
    EXPECT_EQ(cbMun->count(), 0);
    EXPECT_EQ(list->count(), 0);
}

TEST_F(KModTest, ApplyDialogChangesTheFactorsOfTheChosenModel)
{
    TfrmK_Mod w(ctx);
    w.projectOpened(ProjectDetails{});
    addModifier(w, "B", 1, "Ambos", "Todas", "Potência", "2");
    dialogs.inputs.push_back(std::string("A"));
    child<QToolButton>(&w, "tb_novo_modelo")->click(); // a model without rows

    StepLog monitor;
    TfrmAplica_K_Mod d(ctx, w, monitor);
    EXPECT_EQ(d.windowTitle(), "Aplicação do K Modificado");
    int closed = 0;
    QObject::connect(&d, &QDialog::finished, [&closed] { ++closed; });
    auto* list = child<QListWidget>(&d, "lb_modelos");
    EXPECT_EQ(items(list), (QStringList{"A", "B"}));
    EXPECT_EQ(list->currentRow(), 0);

    dialogs.log.clear();
    child<QPushButton>(&d, "bb_aplicar")->click(); // A: nothing to apply, stays open
    EXPECT_EQ(dialogs.lastText(), "Nenhuma modificação para o modelo escolhido");
    EXPECT_EQ(closed, 0);

    list->setCurrentRow(1);
    child<QPushButton>(&d, "bb_aplicar")->click();
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(monitor.lines, (std::vector<std::string>{"Modificando K (modelo B)...", "Modificando K (modelo A)..."}));
    EXPECT_EQ(child<QListWidget>(&w, "lb_modelos")->currentRow(), 1);
    const Table k = readTable(fatorK());
    for (const Row& r : k.rows) {
        const double expected = r[0].toText() == "0010" ? 0.0625 : 0.25;
        EXPECT_DOUBLE_EQ(r[2].toDouble(), expected);
        EXPECT_DOUBLE_EQ(r[3].toDouble(), expected);
    }
}

TEST_F(KModTest, TheOfferShowsTheDialogOnlyWhenAModelExistsAndIgnorarKeepsTheFactors)
{
    TfrmK_Mod w(ctx);
    w.projectOpened(ProjectDetails{});
    const auto offer = kModifierOffer(ctx, w);
    StepLog monitor;
    bool shown = false;
    auto ignoreWhenShown = [&shown] {
        QTimer::singleShot(0, [&shown] {
            if (auto* d = QApplication::activeModalWidget()) {
                shown = true;
                if (auto* b = d->findChild<QPushButton*>("bb_ignorar"))
                    b->click();
            }
        });
    };

    ignoreWhenShown();
    offer(monitor); // no model: no dialog
    QApplication::processEvents();
    EXPECT_FALSE(shown);

    addModifier(w, "B", 1, "Ambos", "Todas", "Potência", "2");
    const std::string before = test::readBytes(fatorK());
    ignoreWhenShown();
    offer(monitor);
    EXPECT_TRUE(shown);
    EXPECT_TRUE(monitor.lines.empty());
    EXPECT_EQ(test::readBytes(fatorK()), before);
}
