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

void saveConfiguration(const fs::path& appDir, const Configuration& config)
{
    const fs::path file = configurationFile(appDir);
    IniFile ini = IniFile::load(file);
    ini.write(kSection, kKey, config.sexRatio);
    ini.save(file);
}

} // namespace demovia
