#include "shell/reference_loader.h"

#include "data/error.h"
#include "data/text_util.h"
#include "shell/reference_data.h"

namespace demovia {

std::vector<std::string> loadReferenceTables(const fs::path& appDir, const NumberFormat& fmt, Dialogs& dialogs)
{
    std::vector<std::string> lines;
    const fs::path padrao = appDir / "DBPadrao";
    for (const auto& ref : referenceTables()) {
        const fs::path file = padrao / ref.file;
        std::string status = "carregado";
        if (!fileExists(file)) {
            dialogs.warning(std::string("O arquivo de ") + ref.description + " não existe.\n\nVocê deverá encontrá-lo agora");
            auto chosen = dialogs.chooseOpenFile(std::string("Abrir arquivo de ") + ref.description);
            if (chosen && !chosen->empty()) {
                if (!importText(*chosen, file, appDir / "DBVazio" / ref.file, 0, fmt, dialogs))
                    status = "não carregado";
            }
        }
        if (status == "carregado") {
            try {
                (void)readTable(file);
            } catch (const std::exception& e) {
                throw Error("Erro ao tentar abrir o arquivo\n" + file.string() + "\n\nErro original: " + e.what() +
                            "\n\nA aplicação será fechada");
            }
        }
        lines.insert(lines.begin(), status + " - " + lastChars(file.string(), 30));
    }
    return lines;
}

} // namespace demovia
