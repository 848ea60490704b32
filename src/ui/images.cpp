#include "ui/images.h"

#include <QAbstractButton>
#include <QHash>

namespace demovia::ui {

namespace {

// The picture files, in the order of the list (Tango icons, resources/icons).
const char* const kFiles[kButtonImages] = {
    "document-open",          "document-save-as", "document-print",     "system-log-out",
    "list-add",               "accessories-text-editor", "edit-find",   "edit-delete",
    "view-refresh",           "media-playback-start",    "x-office-spreadsheet",
    "document-save",          "go-jump",          "document-new",       "user-trash",
    "x-office-address-book",  "edit-clear",
};

// Buttons of the same name do the same thing in every window, so they show
// the same picture.
const QHash<QString, int>& buttonIndex()
{
    static const QHash<QString, int> map = {
        {"tb_importa", imgImporta},         {"tb_exporta", imgExporta},
        {"tb_imprime", imgImprime},         {"tb_fecha", imgFecha},
        {"tb_inclui", imgInclui},           {"tb_altera", imgAltera},
        {"tb_localiza", imgLocaliza},       {"sb_localizar", imgLocaliza},
        {"tb_apaga", imgApaga},             {"tb_atualiza", imgAtualiza},
        {"tb_processa", imgProcessa},       {"sb_processar", imgProcessa},
        {"sb_pesq_ano", imgProcessa},       {"tb_agrupa", imgAgrupa},
        {"tb_grava", imgGrava},             {"tb_converte", imgConverte},
        {"tb_novo_modelo", imgNovoModelo},  {"tb_exclui_modelo", imgExcluiModelo},
        {"tb_lista_mun", imgListaMun},      {"tb_novo_arquivo", imgZeraArquivo},
    };
    return map;
}

} // namespace

QIcon buttonImage(int index)
{
    if (index < 0 || index >= kButtonImages)
        return QIcon();
    static QIcon list[kButtonImages];
    if (list[index].isNull())
        list[index] = QIcon(QStringLiteral(":/imagens/16/%1.png").arg(QLatin1String(kFiles[index])));
    return list[index];
}

int buttonImageIndex(const QString& buttonName) { return buttonIndex().value(buttonName, -1); }

bool applyButtonImage(QAbstractButton* button)
{
    const int i = buttonImageIndex(button->objectName());
    if (i < 0)
        return false;
    button->setIcon(buttonImage(i));
    button->setIconSize(QSize(16, 16));
    return true;
}

QIcon applicationIcon()
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/imagens/demovia-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/imagens/demovia-32.png"), QSize(32, 32));
    return icon;
}

} // namespace demovia::ui
