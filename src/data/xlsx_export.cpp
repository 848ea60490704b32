#include "data/xlsx_export.h"

#include "data/error.h"
#include "data/text_util.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <unistd.h>

namespace demovia {

namespace {

// A sheet name holds at most 31 characters and none of : \ / ? * [ ].
std::string sheetNameOf(const std::string& wanted)
{
    std::string out;
    for (char c : wanted)
        if (std::string_view(":\\/?*[]").find(c) == std::string_view::npos)
            out += c;
    // Cut on a character boundary: never inside a UTF-8 sequence.
    std::size_t chars = 0, i = 0;
    for (; i < out.size(); ++i)
        if ((static_cast<unsigned char>(out[i]) & 0xC0) != 0x80 && ++chars > 31)
            break;
    out.resize(i);
    return out.empty() ? "Planilha1" : out;
}

std::size_t displayLength(const std::string& utf8)
{
    std::size_t n = 0;
    for (unsigned char c : utf8)
        n += (c & 0xC0) != 0x80;
    return n;
}

// The temporary workbook the library writes before the atomic write takes it.
struct TempFile {
    std::string path;
    TempFile()
    {
        std::string pattern = (fs::temp_directory_path() / "demovia-xlsx-XXXXXX").string();
        const int fd = mkstemp(pattern.data());
        if (fd < 0)
            throw Error("Não foi possível criar um arquivo temporário para a planilha");
        ::close(fd);
        path = pattern;
    }
    ~TempFile() { std::remove(path.c_str()); }
};

} // namespace

bool isSpreadsheetName(const fs::path& file) { return lowerAscii(file.extension().string()) == ".xlsx"; }

void writeXlsxFile(const fs::path& file, const ResultSet& rows, const std::string& sheetName)
{
    TempFile tmp;
    lxw_workbook* wb = workbook_new(tmp.path.c_str());
    if (!wb)
        throw Error("Não foi possível criar a planilha " + file.string());
    const std::string sheet = sheetNameOf(sheetName);
    lxw_worksheet* ws = workbook_add_worksheet(wb, sheet.c_str());
    lxw_format* bold = workbook_add_format(wb);
    format_set_bold(bold);

    // One number format per count of decimals; -1 keeps the general form.
    std::map<int, lxw_format*> formats;
    auto formatFor = [&](int decimals) -> lxw_format* {
        if (decimals < 0)
            return nullptr;
        auto it = formats.find(decimals);
        if (it != formats.end())
            return it->second;
        lxw_format* f = workbook_add_format(wb);
        const std::string mask = decimals == 0 ? "0" : "0." + std::string(static_cast<std::size_t>(decimals), '0');
        format_set_num_format(f, mask.c_str());
        return formats[decimals] = f;
    };

    const std::size_t nc = rows.columns.size();
    std::vector<std::size_t> width(nc, 0);
    lxw_error err = LXW_NO_ERROR;
    for (std::size_t c = 0; c < nc && !err; ++c) {
        err = worksheet_write_string(ws, 0, static_cast<lxw_col_t>(c), rows.columns[c].c_str(), bold);
        width[c] = displayLength(rows.columns[c]);
    }
    for (std::size_t r = 0; r < rows.rows.size() && !err; ++r) {
        const Row& row = rows.rows[r];
        for (std::size_t c = 0; c < nc && c < row.size() && !err; ++c) {
            const Value& v = row[c];
            const auto R = static_cast<lxw_row_t>(r + 1);
            const auto C = static_cast<lxw_col_t>(c);
            if (v.isNull())
                continue;
            if (v.isNumber()) {
                const double d = v.toDouble();
                if (!std::isfinite(d))
                    continue; // never an infinite or undefined number in a cell
                const int decimals = c < rows.decimals.size() ? rows.decimals[c] : -1;
                err = worksheet_write_number(ws, R, C, d, formatFor(decimals));
                char buf[64];
                std::snprintf(buf, sizeof buf, decimals >= 0 ? "%.*f" : "%.*g", decimals >= 0 ? decimals : 15, d);
                width[c] = std::max(width[c], std::string(buf).size());
            } else {
                const std::string& s = *v.text();
                err = worksheet_write_string(ws, R, C, s.c_str(), nullptr);
                width[c] = std::max(width[c], displayLength(s));
            }
        }
    }
    for (std::size_t c = 0; c < nc && !err; ++c)
        err = worksheet_set_column(ws, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                                   static_cast<double>(std::min<std::size_t>(width[c], 60)) + 2, nullptr);
    worksheet_freeze_panes(ws, 1, 0);
    const lxw_error closed = workbook_close(wb);
    if (err || closed)
        throw Error("Não foi possível gravar a planilha " + file.string() + "\n\nErro original: " +
                    lxw_strerror(err ? err : closed));
    writeFileAtomically(file, readFileBytes(tmp.path));
}

} // namespace demovia
