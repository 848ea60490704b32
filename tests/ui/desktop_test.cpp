// The desktop program as a person meets it: Qt's own texts in Portuguese, a
// picture on every toolbar button, the frames of the work windows.
#include "data/scripted_dialogs.h"
#include "shell/ui/regional.h"
#include "shell/ui/uCoefs_Interp.h"
#include "shell/ui/uConversores.h"
#include "shell/ui/uPrincipal.h"
#include "shell/ui/uUF_Mun.h"
#include "shell/ui/work_windows.h"
#include "test_util.h"
#include "ui/images.h"

#include <QApplication>
#include <QDate>
#include <QDialogButtonBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <QTranslator>

#include <gtest/gtest.h>

#include <set>

using namespace demovia;
using namespace demovia::ui;

namespace {

class DesktopTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* d : {"DBPadrao", "DBVazio", "Ajuda"})
            fs::copy(test::appDir() / d, tmp / d, fs::copy_options::recursive);
    }
    fs::path app() const { return tmp.path() / ""; }

    test::TempDir tmp;
    ScriptedDialogs dialogs;
};

TEST(Regional, QtsOwnTextsInPortuguese)
{
    QDialogButtonBox before(QDialogButtonBox::Cancel | QDialogButtonBox::Save);
    ASSERT_EQ(before.button(QDialogButtonBox::Cancel)->text(), "Cancel"); // untranslated so far

    QTranslator* t = installQtTranslations(*QCoreApplication::instance());
    ASSERT_NE(t, nullptr) << "qtbase_pt_BR.qm was not found";
    QDialogButtonBox box(QDialogButtonBox::Cancel | QDialogButtonBox::Save | QDialogButtonBox::Yes |
                         QDialogButtonBox::No);
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), "Cancelar");
    EXPECT_EQ(box.button(QDialogButtonBox::Save)->text(), "Salvar");
    EXPECT_EQ(box.button(QDialogButtonBox::Yes)->text(), "&Sim");
    EXPECT_EQ(box.button(QDialogButtonBox::No)->text(), "&Não");
    QCoreApplication::removeTranslator(t);
    delete t;
}

TEST(Regional, WithoutARegionTheProgramSpeaksBrazilianPortuguese)
{
    const QLocale c = regionalLocale(QLocale::c());
    EXPECT_EQ(c.language(), QLocale::Portuguese);
    EXPECT_EQ(c.territory(), QLocale::Brazil);
    EXPECT_EQ(c.toString(QDate(2026, 12, 11), QLocale::ShortFormat), "11/12/2026");
    const NumberFormat f = regionalFormat(c);
    EXPECT_EQ(f.decimal, ',');
    EXPECT_EQ(f.grouping, '.');

    // A person's own region is kept.
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(regionalLocale(us), us);
    EXPECT_EQ(regionalFormat(us).decimal, '.');
}

TEST(Images, SeventeenPicturesOfSixteenPixels)
{
    std::set<QByteArray> distinct;
    for (int i = 0; i < kButtonImages; ++i) {
        const QIcon icon = buttonImage(i);
        ASSERT_FALSE(icon.isNull()) << i;
        const QImage img = icon.pixmap(16, 16).toImage();
        EXPECT_EQ(img.size(), QSize(16, 16)) << i;
        distinct.insert(QByteArray(reinterpret_cast<const char*>(img.constBits()), img.sizeInBytes()));
        EXPECT_FALSE(icon.availableSizes().isEmpty()) << i;
    }
    EXPECT_EQ(kButtonImages, 17);
    EXPECT_EQ(distinct.size(), 17u); // seventeen different pictures
    EXPECT_TRUE(buttonImage(kButtonImages).isNull());
    EXPECT_EQ(buttonImageIndex("tb_importa"), imgImporta);
    EXPECT_EQ(buttonImageIndex("tb_nao_existe"), -1);
    EXPECT_EQ(applicationIcon().pixmap(32, 32).size(), QSize(32, 32));
}

// Every toolbar button of every window, work windows and menu dialogs, shows
// its picture beside its caption.
TEST_F(DesktopTest, EveryToolbarButtonHasItsPicture)
{
    AppState state;
    state.appDir = app();
    UiContext ctx{state, dialogs, NumberFormat{',', '.'}};
    TfrmPrincipal p(app(), dialogs, NumberFormat{',', '.'});
    p.setLoadAtFirstShow(false);
    addWorkWindows(p);
    TfrmUF_Mun registry(ctx);
    TfrmCoefs_Interp multipliers(ctx);
    TfrmConversores converter(ctx);

    std::set<QString> seen;
    for (QWidget* top : std::initializer_list<QWidget*>{&p, &registry, &multipliers, &converter}) {
        for (QToolBar* bar : top->findChildren<QToolBar*>()) {
            for (QToolButton* b : bar->findChildren<QToolButton*>()) {
                if (b->objectName() == "qt_toolbar_ext_button")
                    continue;
                seen.insert(b->objectName());
                SCOPED_TRACE(b->objectName().toStdString());
                EXPECT_GE(buttonImageIndex(b->objectName()), 0);
                EXPECT_FALSE(b->icon().isNull());
                EXPECT_EQ(b->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
            }
        }
    }
    // Every picture of the list is on some toolbar.
    for (const char* name : {"tb_importa", "tb_exporta", "tb_imprime", "tb_fecha", "tb_inclui", "tb_altera",
                             "tb_localiza", "tb_apaga", "tb_atualiza", "tb_processa", "tb_agrupa", "tb_grava",
                             "tb_converte", "tb_novo_modelo", "tb_exclui_modelo", "tb_lista_mun", "tb_novo_arquivo"})
        EXPECT_TRUE(seen.count(name)) << name;
}

TEST_F(DesktopTest, KModifierFrameHasNoMaximiseButton)
{
    TfrmPrincipal p(app(), dialogs, NumberFormat{',', '.'});
    p.setLoadAtFirstShow(false);
    addWorkWindows(p);
    const Qt::WindowFlags k = p.subWindow(WindowRole::KMod)->windowFlags();
    EXPECT_FALSE(k.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(k.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_TRUE(k.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_TRUE(p.subWindow(WindowRole::Censos)->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
}

// Create/Open puts the census window at the top left, 500 x 300, at normal
// size, also when another window was maximised; the extras come forward at
// normal size; the grouping brings the pre-processing window forward centred.
TEST_F(DesktopTest, WindowsComeForwardInTheStateTheirCommandGives)
{
    TfrmPrincipal p(app(), dialogs, NumberFormat{',', '.'});
    p.setLoadAtFirstShow(false);
    addWorkWindows(p);
    p.resize(1200, 800);
    p.show();
    p.setUpNewProject();
    QMdiSubWindow* census = p.subWindow(WindowRole::Censos);
    EXPECT_EQ(census->geometry(), QRect(0, 0, 500, 300));

    p.bringForward(WindowRole::Resultados);
    ASSERT_TRUE(p.subWindow(WindowRole::Resultados)->isMaximized());
    p.setUpNewProject();
    EXPECT_FALSE(census->isMaximized());
    EXPECT_FALSE(census->isMinimized());
    EXPECT_EQ(census->geometry(), QRect(0, 0, 500, 300));
    EXPECT_EQ(p.mdiArea()->activeSubWindow(), census);

    p.bringForward(WindowRole::Resultados);
    p.bringForward(WindowRole::KMod);
    QMdiSubWindow* kmod = p.subWindow(WindowRole::KMod);
    EXPECT_FALSE(kmod->isMaximized());
    EXPECT_EQ(p.mdiArea()->activeSubWindow(), kmod);

    p.bringForward(WindowRole::Censos);
    p.showCentred(WindowRole::Processar);
    QMdiSubWindow* pre = p.subWindow(WindowRole::Processar);
    EXPECT_FALSE(pre->isMaximized());
    EXPECT_FALSE(pre->isMinimized());
    const QRect area = p.mdiArea()->viewport()->rect();
    EXPECT_NEAR(pre->geometry().center().x(), area.center().x(), 2);
    EXPECT_EQ(p.mdiArea()->activeSubWindow(), pre);
}

} // namespace
