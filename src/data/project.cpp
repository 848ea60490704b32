#include "data/project.h"

#include "data/error.h"
#include "data/project_guard.h"
#include "data/text_util.h"

#include <fstream>
#include <set>
#include <sstream>

namespace demovia {

fs::path workFolder(const fs::path& appDir) { return appDir / "Trabalho" / ""; }

fs::path projectFolder(const fs::path& appDir, const std::string& name) { return appDir / "Trabalho" / name / ""; }

std::string folderText(const fs::path& dir)
{
    std::string s = dir.string();
    if (s.empty() || s.back() != '/')
        s += '/';
    return s;
}

// ---- projects -------------------------------------------------------------------

bool isValidProjectName(std::string_view name)
{
    if (name.empty() || name.size() > 8)
        return false;
    for (char c : name)
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    return true;
}

char projectNameKey(char key)
{
    if (key >= 'a' && key <= 'z')
        key = static_cast<char>(key - 'a' + 'A');
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9') || key == 8 || key == 27)
        return key;
    return 0;
}

std::vector<ProjectEntry> listProjects(const fs::path& appDir)
{
    std::vector<ProjectEntry> list;
    std::error_code ec;
    const fs::path work = workFolder(appDir);
    fs::create_directory(work, ec); // one level; a failure shows as an empty list
    for (fs::directory_iterator it(work, ec), end; !ec && it != end; it.increment(ec)) {
        try {
            if (!it->is_directory())
                continue;
            const fs::path details = projectDetailsFile(it->path() / "");
            if (!fileExists(details))
                continue;
            ProjectDetails d = readProjectDetails(details);
            list.push_back({it->path().filename().string(), d.uf, d.obs});
        } catch (const std::exception&) {
            // an unreadable folder is simply not listed
        }
    }
    return list;
}

std::vector<std::string> ufChoices(const fs::path& appDir)
{
    Table uf = readTable(appDir / "DBPadrao" / "uf.dbf");
    const auto fId = static_cast<std::size_t>(uf.field("id_uf")), fSigla = static_cast<std::size_t>(uf.field("sigla"));
    std::vector<std::string> lines;
    for (const auto& r : uf.rows)
        lines.push_back(r[fSigla].toText() + " (" + uf2(r[fId].toInt()) + ")");
    return lines;
}

namespace {

bool isProject(const fs::path& appDir, const std::string& name)
{
    if (name.empty() || name == "." || name == ".." || name.find_first_of("/\\") != std::string::npos)
        return false;
    return fileExists(projectDetailsFile(projectFolder(appDir, name)));
}

void makeOpen(AppState& state, const std::string& name, const std::string& uf, const std::string& description)
{
    state.projectDir = projectFolder(state.appDir, name);
    state.caption = "Demovia - " + name;
    state.statusUf = "UF = " + uf;
    state.statusDescription = description;
}

} // namespace

bool createProject(AppState& state, const std::string& uf, std::string& name, std::string& description,
                   ProjectDetails& details, Dialogs& dialogs, const LeaveProject& leave)
{
    name = trim(name);
    description = trim(description);
    state.newProjectMark = true;
    if (trim(uf).empty() || name.empty() || description.empty()) {
        dialogs.warning("Os três campos são obrigatórios");
        return false;
    }
    if (!isValidProjectName(name)) {
        dialogs.warning("O nome do projeto deve ter de 1 a 8 caracteres, cada um de A a Z ou de 0 a 9");
        return false;
    }
    for (const auto& p : listProjects(state.appDir))
        if (upperAscii(p.name) == name) {
            dialogs.warning("Um nome como o digitado já existe.\n\nEscolha outro");
            return false;
        }
    // A folder of that name that is no project may hold anything: its files
    // would pass for the new project's tables.
    const fs::path folder = projectFolder(state.appDir, name);
    std::error_code ec;
    if (fs::exists(folder, ec) && !fs::is_empty(folder, ec)) {
        dialogs.warning("Já existe em Trabalho uma pasta " + name + " que não é um projeto.\n\nEscolha outro nome");
        return false;
    }

    if (state.projectOpen() && leave)
        leave();
    std::shared_ptr<ProjectLock> lock;
    try {
        fs::create_directory(workFolder(state.appDir), ec);
        fs::create_directory(folder, ec);
        lock = ProjectLock::acquire(folder);
        details.uf = trim(uf);
        details.obs = description;
        writeProjectDetails(projectDetailsFile(folder), details);
    } catch (const std::exception& e) {
        dialogs.error(std::string("Não foi possível configurar o ambiente de trabalho\npara o novo projeto.\n\n"
                                  "Erro original: ") + e.what());
        return false;
    }
    makeOpen(state, name, details.uf, description);
    state.lock = std::move(lock);
    state.firstProjectedYear = details.ano1Proj;
    return true;
}

namespace {

// Two digits naming a state of the registry (uf.dbf); any two digits when the
// registry cannot be read, which its own loading reports.
bool isStateCode(const fs::path& appDir, const std::string& uf)
{
    if (uf.size() != 2 || uf.find_first_not_of("0123456789") != std::string::npos)
        return false;
    Table t;
    try {
        t = readTable(appDir / "DBPadrao" / "uf.dbf");
    } catch (const std::exception&) {
        return true;
    }
    const int f = t.fieldIndex("id_uf");
    if (f < 0)
        return true;
    for (const auto& r : t.rows)
        if (r[static_cast<std::size_t>(f)].toText() == std::to_string(std::stoi(uf)))
            return true;
    return false;
}

} // namespace

std::optional<ProjectDetails> openProject(AppState& state, const std::string& name, Dialogs& dialogs,
                                          const LeaveProject& leave, ProjectAccess access)
{
    if (!isProject(state.appDir, name)) {
        dialogs.warning("Projeto não encontrado: " + name);
        return std::nullopt;
    }
    const fs::path folder = projectFolder(state.appDir, name);
    std::shared_ptr<ProjectLock> lock;
    if (access == ProjectAccess::Write) {
        try {
            lock = ProjectLock::acquire(folder);
        } catch (const Error& e) {
            dialogs.warning(e.what());
            return std::nullopt;
        }
        // What a killed writer left: an unfinished change is undone, its
        // temporary files removed, before anything of the project is read.
        try {
            recoverProject(folder);
        } catch (const std::exception& e) {
            dialogs.error(std::string("Nem todos os arquivos do projeto puderam ser carregados.\n\nVerifique se "
                                      "algum deles está em uso e tente novamente\n\nErro original: ") + e.what());
            return std::nullopt;
        }
    } else {
        // A reader finishes what a killed writer left too, when no writer is at
        // work (as a writer would, under the lock, which it then lets go); with
        // a writer at work it reads as things are.
        try {
            auto writer = ProjectLock::acquire(folder);
            recoverProject(folder);
        } catch (const std::exception&) {
            // in use, or not recoverable now: the writer's next open reports it
        }
    }
    if (state.projectOpen() && leave)
        leave();
    ProjectDetails d;
    std::vector<std::string> problems;
    const fs::path file = projectDetailsFile(projectFolder(state.appDir, name));
    try {
        d = readProjectDetails(file, &problems);
    } catch (const std::exception& e) {
        dialogs.error(std::string("Nem todos os arquivos do projeto puderam ser carregados.\n\nVerifique se algum "
                                  "deles está em uso e tente novamente\n\nErro original: ") + e.what());
        return std::nullopt;
    }
    // The state code has no default to fall back on: every import and step
    // keeps only its rows.
    if (d.uf != ProjectDetails().uf && !isStateCode(state.appDir, d.uf)) {
        dialogs.error("O projeto " + name + " não pode ser aberto: o valor '" + d.uf +
                      "' da chave uf da seção [projeto] do arquivo " + file.string() +
                      " não é o código de uma UF cadastrada. Corrija o arquivo (por exemplo: uf= 35).");
        return std::nullopt;
    }
    for (const auto& p : problems)
        dialogs.warning(p);
    makeOpen(state, name, d.uf, d.obs);
    state.lock = std::move(lock);
    state.firstProjectedYear = d.ano1Proj;
    return d;
}

void saveProjectDetails(const AppState& state, ProjectDetails details)
{
    if (!state.projectOpen())
        return;
    details.uf = state.ufCode();
    details.obs = state.statusDescription;
    writeProjectDetails(projectDetailsFile(state.projectDir), details);
}

std::vector<int> projectedYears(const fs::path& projectDir, int firstYear)
{
    std::vector<int> years;
    if (firstYear <= 0)
        return years;
    // A year belongs to the latest run when its births are in NascSexo.dbf: the
    // run writes them right after the year's table, and empties the file before
    // its first year (see the projection step).
    std::optional<std::set<long long>> born;
    const fs::path births = projectDir / "NascSexo.dbf";
    if (fileExists(births)) {
        const Table t = readTable(births);
        const int fAno = t.field("ano");
        born.emplace();
        for (const Row& r : t.rows) {
            try {
                born->insert(parseWhole(r[static_cast<std::size_t>(fAno)].toText()));
            } catch (const Error&) {
                // a row without a year lists nothing
            }
        }
    }
    for (int y = firstYear; fileExists(projectDir / (year4(y) + ".dbf")) && (!born || born->count(y)); ++y)
        years.push_back(y);
    return years;
}

bool deleteProject(const AppState& state, const std::string& name, Dialogs& dialogs)
{
    if (!isProject(state.appDir, name)) {
        dialogs.warning("Projeto não encontrado: " + name);
        return false;
    }
    const fs::path folder = projectFolder(state.appDir, name);
    if (state.projectOpen() && folderText(state.projectDir) == folderText(folder)) {
        dialogs.warning("O projeto " + name + " está aberto e não pode ser excluído.\n\nAbra ou crie outro projeto "
                        "antes de excluí-lo");
        return false;
    }
    std::shared_ptr<ProjectLock> lock;
    try {
        lock = ProjectLock::acquire(folder);
    } catch (const Error& e) {
        dialogs.warning(e.what());
        return false;
    }
    if (!dialogs.confirm("Você está para excluir o projeto " + name + ".\n\nContinuar"))
        return false;
    std::error_code ec;
    fs::remove_all(folder.parent_path(), ec); // the path without its final separator
    return !ec && !fs::exists(folder.parent_path(), ec);
}

// ---- FileSnapshot --------------------------------------------------------------

FileSnapshot::FileSnapshot(const std::vector<fs::path>& files)
{
    for (const auto& f : files) {
        Saved s;
        s.path = resolveFile(f);
        std::error_code ec;
        if (fs::is_regular_file(s.path, ec)) {
            std::ifstream in(s.path, std::ios::binary);
            std::ostringstream ss;
            ss << in.rdbuf();
            if (!in && !in.eof())
                throw Error("Não foi possível ler o arquivo " + s.path.string());
            s.bytes = ss.str();
        }
        m_files.push_back(std::move(s));
    }
}

void FileSnapshot::restore() const
{
    for (const auto& f : m_files) {
        if (f.bytes) {
            writeFileAtomically(resolveFile(f.path), *f.bytes);
        } else {
            std::error_code ec;
            fs::remove(resolveFile(f.path), ec);
        }
    }
}

} // namespace demovia
