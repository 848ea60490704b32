#include "data/project_details.h"

#include "data/error.h"
#include "data/ini_file.h"
#include "data/text_util.h"

namespace demovia {

namespace {

constexpr const char* kProjeto = "projeto";
constexpr const char* kCensoInicial = "censo inicial";
constexpr const char* kCensoFinal = "censo final";
constexpr const char* kProjecao = "projecao";

// A whole number within [lo, hi], or the default with a note naming file,
// section and key when the key holds anything else.
int readChecked(const IniFile& ini, const fs::path& file, const char* section, const char* key, int def, int lo,
                int hi, const std::string& expected, const std::string& shownDefault, std::vector<std::string>* problems)
{
    const auto v = ini.value(section, key);
    if (!v)
        return def;
    try {
        const long long n = parseWhole(*v);
        if (n >= lo && n <= hi)
            return static_cast<int>(n);
    } catch (const Error&) {
    }
    if (problems)
        problems->push_back("O valor '" + *v + "' da chave " + key + " da seção [" + section + "] do arquivo " +
                            file.string() + " não é " + expected + "; foi usado " + shownDefault +
                            ". Corrija o arquivo.");
    return def;
}

CensusDetails readCensus(const IniFile& ini, const fs::path& file, const char* section,
                         std::vector<std::string>* problems)
{
    const CensusDetails def;
    CensusDetails c;
    c.mes = readChecked(ini, file, section, "mes", def.mes, -1, 11, "um mês (0 para janeiro a 11 para dezembro)",
                        "0 (janeiro)", problems);
    c.ano = ini.read(section, "ano", def.ano);
    c.arquivo = ini.read(section, "arquivo", def.arquivo);
    c.registros = ini.read(section, "registros", def.registros);
    return c;
}

void writeCensus(IniFile& ini, const char* section, const CensusDetails& c)
{
    ini.write(section, "mes", std::to_string(c.mes));
    ini.write(section, "ano", c.ano);
    ini.write(section, "arquivo", c.arquivo);
    ini.write(section, "registros", c.registros);
}

} // namespace

fs::path projectDetailsFile(const fs::path& projectDir) { return projectDir / "detalhes.ini"; }

ProjectDetails readProjectDetails(const fs::path& file, std::vector<std::string>* problems)
{
    const IniFile ini = IniFile::load(file);
    const ProjectDetails def;
    ProjectDetails d;
    d.uf = ini.read(kProjeto, "uf", def.uf);
    d.obs = ini.read(kProjeto, "obs", def.obs);
    d.census1 = readCensus(ini, file, kCensoInicial, problems);
    d.census2 = readCensus(ini, file, kCensoFinal, problems);
    d.rsnHom = ini.read(kProjecao, "rsn-hom", def.rsnHom);
    d.ano1Proj = readChecked(ini, file, kProjecao, "ano1_proj", def.ano1Proj, 0, 9999,
                             "um ano (quatro algarismos)", "0 (nenhuma projeção)", problems);
    return d;
}

void writeProjectDetails(const fs::path& file, const ProjectDetails& details)
{
    IniFile ini = IniFile::load(file);
    // The value is what follows "=" in "UF = 35": a blank and the code.
    ini.write(kProjeto, "uf", " " + details.uf);
    ini.write(kProjeto, "obs", details.obs);
    writeCensus(ini, kCensoInicial, details.census1);
    writeCensus(ini, kCensoFinal, details.census2);
    ini.write(kProjecao, "rsn-hom", details.rsnHom);
    ini.write(kProjecao, "ano1_proj", std::to_string(details.ano1Proj));
    ini.save(file);
}

} // namespace demovia
