#include "shell/configuration.h"

#include "data/ini_file.h"

namespace demovia {

namespace {
constexpr const char* kSection = "popproj";
constexpr const char* kKey = "Ed_QtdHom";
} // namespace

fs::path configurationFile(const fs::path& appDir) { return appDir / "conf.ini"; }

Configuration loadConfiguration(const fs::path& appDir, Dialogs& dialogs)
{
    Configuration config;
    const fs::path file = configurationFile(appDir);
    std::error_code ec;
    if (!fs::exists(file, ec))
        return config;
    try {
        config.sexRatio = IniFile::load(file).read(kSection, kKey, Configuration::kMissingKeySexRatio);
    } catch (const std::exception& e) {
        config = Configuration();
        dialogs.warning("Não foi possível ler o arquivo de configuração do sistema.\n"
                        "Os valores-padrão foram carregados.\n\nErro original: " +
                        std::string(e.what()));
    }
    return config;
}

bool isSexRatio(const std::string& text)
{
    return !text.empty() && text.size() <= 3 && text.find_first_not_of("0123456789") == std::string::npos;
}

std::string newProjectSexRatio(const fs::path& appDir, Dialogs& dialogs)
{
    const Configuration config = loadConfiguration(appDir, dialogs);
    if (isSexRatio(config.sexRatio))
        return config.sexRatio;
    dialogs.warning("O valor '" + config.sexRatio + "' da chave " + kKey + " da seção [" + kSection +
                    "] do arquivo " + configurationFile(appDir).string() +
                    " não é um número inteiro de até 3 algarismos (nascimentos masculinos para cada 100 femininos); "
                    "foi usado o valor-padrão " + Configuration::kDefaultSexRatio +
                    ". Corrija o arquivo ou grave a configuração de novo.");
    return Configuration::kDefaultSexRatio;
}

void saveConfiguration(const fs::path& appDir, const Configuration& config)
{
    const fs::path file = configurationFile(appDir);
    IniFile ini = IniFile::load(file);
    ini.write(kSection, kKey, config.sexRatio);
    ini.save(file);
}

} // namespace demovia
