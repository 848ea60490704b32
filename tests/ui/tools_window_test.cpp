// The converter window, the help window and the about box, offscreen with
// scripted answers.
#include "data/scripted_dialogs.h"
#include "shell/ui/help_menu.h"
#include "shell/ui/uAjuda.h"
#include "shell/ui/uConversores.h"
#include "shell/ui/uPrincipal.h"
#include "shell/ui/uSobre.h"
#include "test_util.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

using namespace demovia;
using namespace demovia::ui;
using demovia::test::readBytes;
using demovia::test::TempDir;
using demovia::test::writeBytes;

namespace {

class ToolWindows : public ::testing::Test {
protected:
    TempDir app;
    ScriptedDialogs dialogs;
    AppState state;
    UiContext ctx{state, dialogs, NumberFormat{',', '.'}};

    void SetUp() override
    {
        fs::copy(test::appDir() / "Ajuda", app / "Ajuda", fs::copy_options::recursive);
        state.appDir = app.path() / "";
    }
};

// What a rich-text view really shows: its heading blocks, its tables, and the
// pictures it names that cannot be found.
struct RichText {
    QStringList headings;
    int tables = 0;
    QStringList missingImages;
};

void scanFrame(const QTextDocument* doc, QTextFrame* frame, RichText& r)
{
    for (QTextFrame::iterator it = frame->begin(); !it.atEnd(); ++it) {
        if (QTextFrame* child = it.currentFrame()) {
            if (qobject_cast<QTextTable*>(child))
                ++r.tables;
            scanFrame(doc, child, r);
            continue;
        }
        const QTextBlock block = it.currentBlock();
        if (block.blockFormat().headingLevel() > 0)
            r.headings << block.text();
        for (QTextBlock::iterator f = block.begin(); !f.atEnd(); ++f) {
            const QTextCharFormat cf = f.fragment().charFormat();
            if (!cf.isImageFormat())
                continue;
            const QString name = cf.toImageFormat().name();
            if (!doc->resource(QTextDocument::ImageResource, QUrl(name)).isValid())
                r.missingImages << name;
        }
    }
}

RichText scan(const QTextEdit* view)
{
    RichText r;
    scanFrame(view->document(), view->document()->rootFrame(), r);
    return r;
}

TEST_F(ToolWindows, ConverterRewritesTheFileOnlyWhenConfirmed)
{
    TfrmConversores w(ctx);
    w.show();
    EXPECT_EQ(w.findChild<QTabBar*>("ts_arqs")->tabText(0), "Projeção da população");
    auto* detalhes = w.findChild<QTextEdit*>("re_detalhes");
    EXPECT_TRUE(detalhes->toPlainText().contains("35;10;11;20;21;30;31;"));
    EXPECT_GT(scan(detalhes).tables, 0); // the description is shown as rich text

    const fs::path f = app / "pop.csv";
    const std::string text = "35;10;20;30\r\n35;11;21;31\r\n";
    writeBytes(f, text);
    auto* converte = w.findChild<QToolButton*>("tb_converte");

    // No: the file stays as it was.
    dialogs.openFiles.push_back(f.string());
    dialogs.confirmAnswers.push_back(false);
    QTest::mouseClick(converte, Qt::LeftButton);
    ASSERT_TRUE(dialogs.saw("confirm", "O arquivo selecionado será substituído e a conversão\nnão é reversível.\n\n"
                                       "Deseja continuar"));
    EXPECT_EQ(readBytes(f), text);

    // Cancelling the open dialog asks nothing.
    const std::size_t asked = dialogs.log.size();
    dialogs.openFiles.push_back(std::nullopt);
    QTest::mouseClick(converte, Qt::LeftButton);
    EXPECT_EQ(dialogs.log.size(), asked);

    // Yes: converted in place.
    dialogs.openFiles.push_back(f.string());
    dialogs.confirmAnswers.push_back(true);
    QTest::mouseClick(converte, Qt::LeftButton);
    EXPECT_EQ(readBytes(f), "35;10;11;20;21;30;31;\r\n");
    EXPECT_EQ(w.findChild<QStatusBar*>("sb_situacao")->currentMessage(), "Abrindo re-organizado");
}

TEST_F(ToolWindows, HelpWindowShowsTheChosenManualAsRichText)
{
    {
        TfrmAjuda w(ctx);
        w.show();
        auto* view = w.findChild<QTextBrowser*>("re_manual");
        ASSERT_NE(view, nullptr);
        const RichText r = scan(view);
        ASSERT_FALSE(r.headings.isEmpty());
        EXPECT_EQ(r.headings.first(), "Manual do sistema");
        EXPECT_GT(r.tables, 0);
        EXPECT_TRUE(r.missingImages.isEmpty()) << r.missingImages.join(", ").toStdString();
        EXPECT_TRUE(view->toPlainText().contains("demovia-cli"));
        EXPECT_TRUE(dialogs.log.empty());

        // A line of the table of contents jumps to its section and keeps the manual.
        const QString text = view->toPlainText();
        EXPECT_EQ(view->verticalScrollBar()->value(), 0);
        view->setSource(QUrl("#mensagens"));
        EXPECT_GT(view->verticalScrollBar()->value(), 0);
        EXPECT_EQ(view->toPlainText(), text);
    }

    fs::remove(app / "Ajuda" / "Manual Demovia 5.htm");
    TfrmAjuda w(ctx);
    w.show();
    EXPECT_TRUE(dialogs.saw("warning", "Manual não encontrado"));
    auto* view = w.findChild<QTextBrowser*>("re_manual");
    EXPECT_TRUE(view->toPlainText().isEmpty());

    auto* list = w.findChild<QComboBox*>("cb_manual");
    list->setCurrentIndex(1);
    w.cb_manualChange();
    const RichText r = scan(view);
    ASSERT_FALSE(r.headings.isEmpty());
    EXPECT_EQ(r.headings.first(), "Metodologia");
    EXPECT_GT(r.tables, 0);
    EXPECT_TRUE(r.missingImages.isEmpty()) << r.missingImages.join(", ").toStdString();
    EXPECT_TRUE(view->toPlainText().contains("Karup-King"));
    EXPECT_TRUE(view->toPlainText().contains("Sprague"));
}

TEST_F(ToolWindows, AboutBoxShowsVersionFolderAndFigures)
{
    TfrmSobre w(ctx);
    w.show();
    EXPECT_EQ(w.findChild<QLabel*>("lb_versao")->text(), "2.0");
    EXPECT_EQ(w.findChild<QPlainTextEdit*>("OCaminho")->toPlainText().toStdString(), state.appDir.string());
    EXPECT_TRUE(w.findChild<QLabel*>("lb_memoria")->text().endsWith(" KB"));
    EXPECT_TRUE(w.findChild<QLabel*>("lb_situacao")->text().endsWith(" %"));
    EXPECT_TRUE(w.findChild<QLabel*>("lb_disco")->text().contains("bytes"));
    EXPECT_TRUE(dialogs.log.empty());
    EXPECT_TRUE(TfrmSobre::resolutionNoteShown(640));
    EXPECT_FALSE(TfrmSobre::resolutionNoteShown(800));
}

// Sets an environment variable for one test and puts the old value back.
class EnvGuard {
public:
    EnvGuard(const char* name, const std::string& value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        setenv(name, value.c_str(), 1);
    }
    ~EnvGuard()
    {
        if (m_old)
            setenv(m_name, m_old->c_str(), 1);
        else
            unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST_F(ToolWindows, MenuOpensHelpWindowsAndCreatesTheShortcut)
{
    TfrmPrincipal p(state.appDir, dialogs, NumberFormat{',', '.'});
    p.setLoadAtFirstShow(false);
    connectToolCommands(p);

    // Every "Manual" opens one more help window, in front of the others.
    p.menuItem("mi_aju_manual")->trigger();
    p.menuItem("mi_aju_manual")->trigger();
    const auto helps = p.findChildren<TfrmAjuda*>();
    ASSERT_EQ(helps.size(), 2);
    for (TfrmAjuda* h : helps) {
        EXPECT_TRUE(h->isVisible());
        EXPECT_TRUE(h->windowFlags() & Qt::WindowStaysOnTopHint);
    }

    // The shortcut goes to the desktop folder, replaced by a second one.
    const fs::path home = app / "casa";
    fs::create_directories(home / "Desktop");
    EnvGuard h("HOME", home.string());
    EnvGuard c("XDG_CONFIG_HOME", (home / ".config").string());
    p.menuItem("mi_aju_atalho")->trigger();
    p.menuItem("mi_aju_atalho")->trigger();
    ASSERT_TRUE(fs::exists(home / "Desktop" / "Demovia.desktop"));
    EXPECT_EQ(std::distance(fs::directory_iterator(home / "Desktop"), fs::directory_iterator()), 1);
    EXPECT_NE(readBytes(home / "Desktop" / "Demovia.desktop").find("Path=" + app.path().string() + "\n"),
              std::string::npos);
    EXPECT_FALSE(dialogs.saw("warning", "Problema"));

    fs::remove_all(home / "Desktop");
    p.menuItem("mi_aju_atalho")->trigger();
    EXPECT_TRUE(dialogs.saw("warning", "Problema ao tentar criar atalho para o sistema.\n\nErro original: "));
}

} // namespace
