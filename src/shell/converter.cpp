#include "shell/converter.h"

#include "data/error.h"
#include "data/table.h"
#include "data/text_util.h"

#include <algorithm>
#include <fstream>
#include <system_error>

namespace demovia {

namespace {

constexpr std::size_t kFields = std::tuple_size_v<FieldArray>;

// Fields of a trimmed line as the field splitter counts them: a trailing ';'
// closes the last field instead of opening an empty one.
std::size_t fieldCount(std::string_view t)
{
    std::size_t n = static_cast<std::size_t>(std::count(t.begin(), t.end(), ';'));
    if (t.empty() || t.back() != ';')
        ++n;
    return n;
}

// The line end the file already uses, so the rewritten file keeps it.
std::string lineEndOf(std::string_view text)
{
    const std::size_t lf = text.find('\n');
    if (lf != std::string_view::npos)
        return lf > 0 && text[lf - 1] == '\r' ? "\r\n" : "\n";
    return text.find('\r') != std::string_view::npos ? "\r" : "\r\n";
}

void report(const std::function<void(const std::string&)>& status, const std::string& text)
{
    if (status)
        status(text);
}

} // namespace

std::vector<FieldArray> readRecords(std::string_view text, int firstLine)
{
    const int first = std::max(firstLine, 1);
    std::vector<FieldArray> records;
    std::size_t pos = 0;
    int number = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        std::string_view line = text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
        if (end == std::string_view::npos)
            pos = text.size();
        else
            pos = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
        ++number;
        if (number < first)
            continue;
        const std::string t = trim(line);
        if (t.empty())
            continue;
        if (fieldCount(t) > kFields)
            throw Error("A linha " + std::to_string(number) + " tem mais de " + std::to_string(kFields) + " campos");
        FieldArray fields; // a fresh record: nothing carried over from a longer line before it
        splitFields(t, fields);
        records.push_back(std::move(fields));
    }
    return records;
}

std::vector<std::string> combineRecords(const std::vector<FieldArray>& records, const ConversionSettings& s)
{
    const std::size_t keys = std::min<std::size_t>(static_cast<std::size_t>(std::max(s.keyFields, 1)), kFields);
    const std::size_t group = static_cast<std::size_t>(std::max(s.linesPerGroup, 1));
    std::vector<std::string> lines;
    for (std::size_t g = 0; g + group <= records.size(); g += group) {
        std::string line;
        for (std::size_t k = 0; k < keys; ++k)
            line += records[g][k] + ";";
        for (std::size_t p = keys; p < kFields; ++p) {
            for (std::size_t r = g; r < g + group; ++r) {
                if (records[r][p].empty())
                    break;
                line += records[r][p] + ";";
            }
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

bool convertTextFile(const std::string& fileName, const ConversionSettings& s, Dialogs& dialogs,
                     const std::function<void(const std::string&)>& status)
{
    const fs::path file(trim(fileName));
    BusyGuard busy(dialogs);
    report(status, "Abrindo arquivo de origem...");

    std::string text;
    std::vector<FieldArray> records;
    try {
        text = readFileBytes(file);
        records = readRecords(text, s.firstLine);
    } catch (const std::exception& e) {
        report(status, "Erro na carga do arquivo de origem");
        dialogs.error(std::string("\n\nErro original: ") + e.what());
        return false;
    }

    const std::size_t group = static_cast<std::size_t>(std::max(s.linesPerGroup, 1));
    if (records.size() % group != 0) {
        dialogs.warning("O número de linhas não é múltiplo do número de linhas a combinar");
        return false;
    }

    auto failed = [&](const std::string& why) {
        report(status, "Erro na re-estruturação do arquivo");
        dialogs.error("Não foi possível concluir a conversão\n\nErro original: " + why);
        return false;
    };
    // Nothing to take a key from: the file stays as it is.
    if (records.empty())
        return failed("O arquivo " + file.string() + " não tem linhas a converter");

    report(status, "Preparando re-gravação do arquivo de origem...");
    fs::path tmp = file;
    tmp += ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out)
            return failed("Não foi possível criar o arquivo " + tmp.string());
        const std::string eol = lineEndOf(text);
        for (const std::string& line : combineRecords(records, s))
            out << line << eol;
        out.close();
        if (!out)
            return failed("Não foi possível gravar o arquivo " + tmp.string());
    }

    // A write-protected file is not replaced: the result stays in {file}.tmp.
    std::error_code ec;
    const fs::perms perms = fs::status(file, ec).permissions();
    if (!ec && (perms & fs::perms::owner_write) == fs::perms::none)
        return failed("O arquivo " + file.string() + " está protegido contra gravação; o resultado ficou em " +
                      tmp.string());
    // One rename: the file holds either its old lines or the new ones, never neither.
    fs::rename(tmp, file, ec);
    if (ec)
        return failed("O arquivo " + file.string() + " não pôde ser substituído (" + ec.message() +
                      "); o resultado ficou em " + tmp.string());

    report(status, "Abrindo re-organizado");
    return true;
}

} // namespace demovia
