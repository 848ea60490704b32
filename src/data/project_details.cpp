#include "data/project_details.h"

#include "data/ini_file.h"

namespace demovia {

namespace {

constexpr const char* kProjeto = "projeto";
constexpr const char* kCensoInicial = "censo inicial";
constexpr const char* kCensoFinal = "censo final";
constexpr const char* kProjecao = "projecao";

CensusDetails readCensus(const IniFile& ini, const char* section)
{
    const CensusDetails def;
    CensusDetails c;
    c.mes = ini.readInt(section, "mes", def.mes);
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

ProjectDetails readProjectDetails(const fs::path& file)
{
    const IniFile ini = IniFile::load(file);
    const ProjectDetails def;
    ProjectDetails d;
    d.uf = ini.read(kProjeto, "uf", def.uf);
    d.obs = ini.read(kProjeto, "obs", def.obs);
    d.census1 = readCensus(ini, kCensoInicial);
    d.census2 = readCensus(ini, kCensoFinal);
    d.rsnHom = ini.read(kProjecao, "rsn-hom", def.rsnHom);
    d.ano1Proj = ini.readInt(kProjecao, "ano1_proj", def.ano1Proj);
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
