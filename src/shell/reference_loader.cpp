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
            Table t;
            try {
                t = readTable(file);
            } catch (const std::exception& e) {
                throw Error("Erro ao tentar abrir o arquivo\n" + file.string() + "\n\nErro original: " + e.what() +
                            "\n\nA aplicação será fechada");
            }
            // A table that opens but has not the shape the steps read is not
            // taken for loaded: its results would look right and not be.
            const std::string problem = referenceShapeProblem(ref.file, t);
            if (!problem.empty()) {
                status = "não carregado";
                dialogs.warning(std::string("O arquivo de ") + ref.description + "\n" + file.string() +
                                "\nnão está como o sistema precisa: " + problem +
                                ".\n\nCorrija-o ou importe-o de novo antes de projetar.");
            }
        }
        lines.insert(lines.begin(), status + " - " + lastChars(file.string(), 30));
    }
    return lines;
}

} // namespace demovia
