#include "data/table.h"

#include "data/encoding.h"
#include "data/error.h"
#include "data/text_util.h"

#include <shapefil.h>

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <random>
#include <system_error>
#include <mutex>
#include <cerrno>
#include <csignal>
#include <cstdlib>

#include <signal.h>
#include <unistd.h>

namespace demovia {

// ---- Value ------------------------------------------------------------------

double Value::toDouble() const
{
    if (auto d = std::get_if<double>(&m_v))
        return *d;
    if (auto s = std::get_if<std::string>(&m_v)) {
        std::string t = trim(*s);
        if (t.empty())
            return 0;
        double v = 0;
        const char* b = t.data();
        if (*b == '+')
            ++b;
        auto [p, ec] = std::from_chars(b, t.data() + t.size(), v);
        if (ec != std::errc() || p != t.data() + t.size())
            throw Error("'" + t + "' não é um valor numérico válido");
        return v;
    }
    return 0;
}

long long Value::toInt() const
{
    double d = toDouble();
    if (!std::isfinite(d))
        throw Error("valor numérico inválido");
    return static_cast<long long>(d);
}

std::string Value::toText() const
{
    if (auto s = std::get_if<std::string>(&m_v))
        return *s;
    if (auto d = std::get_if<double>(&m_v))
        return formatGeneral(*d);
    return {};
}

// ---- Table ------------------------------------------------------------------

int Table::fieldIndex(std::string_view name) const
{
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (equalsNoCase(fields[i].name, name))
            return static_cast<int>(i);
    return -1;
}

int Table::field(std::string_view name) const
{
    int i = fieldIndex(name);
    if (i < 0)
        throw Error("Campo não encontrado: " + std::string(name));
    return i;
}

Row& Table::append()
{
    rows.emplace_back(fields.size());
    return rows.back();
}

void Table::append(Row r)
{
    r.resize(fields.size());
    rows.push_back(std::move(r));
}

// ---- paths ------------------------------------------------------------------

fs::path resolveFile(const fs::path& p)
{
    fs::path clean = p.lexically_normal();
    std::error_code ec;
    if (fs::exists(clean, ec))
        return clean;
    fs::path dir = clean.parent_path();
    if (dir.empty())
        dir = ".";
    std::string name = clean.filename().string();
    if (!fs::is_directory(dir, ec)) {
        // The folder itself may differ in case.
        fs::path rdir = resolveFile(dir);
        if (rdir == dir || !fs::is_directory(rdir, ec))
            return clean;
        dir = rdir;
    }
    for (const auto& e : fs::directory_iterator(dir, ec)) {
        if (equalsNoCase(e.path().filename().string(), name))
            return e.path();
    }
    return dir / name;
}

bool fileExists(const fs::path& p)
{
    std::error_code ec;
    return fs::is_regular_file(resolveFile(p), ec);
}

// ---- reading ----------------------------------------------------------------

namespace {

struct DbfCloser {
    void operator()(DBFInfo* h) const
    {
        if (h)
            DBFClose(h);
    }
};
using DbfHandle = std::unique_ptr<DBFInfo, DbfCloser>;

// The header's record count and record length must fit in the file: a damaged
// header is reported before anything is allocated for it.
void checkDbfHeader(const fs::path& real, const fs::path& shown)
{
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(real, ec);
    unsigned char h[32] = {};
    std::size_t got = 0;
    if (!ec) {
        if (std::FILE* f = std::fopen(real.string().c_str(), "rb")) {
            got = std::fread(h, 1, sizeof h, f);
            std::fclose(f);
        }
    }
    const auto damaged = [&](const std::string& why) {
        return Error("Arquivo danificado: " + shown.string() + "\n" + why +
                     " Recupere o arquivo de uma cópia de segurança ou refaça-o.");
    };
    if (got < sizeof h)
        throw damaged("O arquivo é curto demais para uma tabela dBase (" + std::to_string(size) + " bytes).");
    const std::uint64_t records = h[4] | (h[5] << 8) | (h[6] << 16) | (std::uint64_t(h[7]) << 24);
    const std::uint64_t headerLen = h[8] | (h[9] << 8), recLen = h[10] | (h[11] << 8);
    if (headerLen < 33 || recLen < 1 || headerLen > size)
        throw damaged("O cabeçalho declara um tamanho de cabeçalho de " + std::to_string(headerLen) +
                      " bytes e registros de " + std::to_string(recLen) + " bytes.");
    if (records > (size - headerLen) / recLen)
        throw damaged("O cabeçalho declara " + std::to_string(records) + " registros de " + std::to_string(recLen) +
                      " bytes, mas o arquivo tem só " + std::to_string(size) + " bytes.");
}

DbfHandle openDbf(const fs::path& file)
{
    fs::path real = resolveFile(file);
    std::error_code ec;
    if (!fs::is_regular_file(real, ec))
        throw Error("Arquivo não encontrado: " + file.string());
    checkDbfHeader(real, file);
    // shapelib always opens "<base>.dbf"; the wide census tables keep their ".db"
    // names, so the hook hands it the real file whatever the extension.
    SAHooks hooks;
    SASetupDefaultHooks(&hooks);
    static thread_local std::string s_real, s_asked;
    static SAFile (*s_default)(const char*, const char*) = hooks.FOpen;
    s_real = real.string();
    fs::path asked = real;
    asked.replace_extension(".dbf");
    s_asked = asked.string();
    hooks.FOpen = [](const char* name, const char* access) -> SAFile {
        std::string n = name;
        if (n.size() == s_asked.size() && equalsNoCase(n, s_asked))
            return s_default(s_real.c_str(), access);
        return s_default(name, access);
    };
    DBFHandle h = DBFOpenLL(real.string().c_str(), "rb", &hooks);
    if (!h)
        throw Error("Não foi possível abrir a tabela " + real.string() + " (arquivo danificado ou em uso)");
    return DbfHandle(h);
}

std::vector<FieldDef> fieldsOf(DBFHandle h)
{
    std::vector<FieldDef> f;
    int n = DBFGetFieldCount(h);
    for (int i = 0; i < n; ++i) {
        char name[XBASE_FLDNAME_LEN_READ + 1] = {};
        int w = 0, d = 0;
        DBFGetFieldInfo(h, i, name, &w, &d);
        FieldDef fd;
        fd.name = name;
        fd.type = DBFGetNativeFieldType(h, i);
        fd.width = w;
        fd.decimals = d;
        f.push_back(fd);
    }
    return f;
}

bool headerIsCp1252(DBFHandle h)
{
    const char* cp = DBFGetCodePage(h);
    if (!cp)
        return false;
    return std::strcmp(cp, "LDID/3") == 0 || std::strcmp(cp, "LDID/87") == 0 || std::strcmp(cp, "1252") == 0;
}

} // namespace

std::vector<FieldDef> readSchema(const fs::path& file)
{
    auto h = openDbf(file);
    return fieldsOf(h.get());
}

Table readTable(const fs::path& file)
{
    auto h = openDbf(file);
    Table t(fieldsOf(h.get()));
    const bool cp1252 = headerIsCp1252(h.get());
    const int nf = static_cast<int>(t.fields.size());
    std::vector<int> offset(nf);
    int off = 1; // byte 0 of a record is the deletion flag
    for (int i = 0; i < nf; ++i) {
        offset[i] = off;
        off += t.fields[i].width;
    }
    const int n = DBFGetRecordCount(h.get());
    t.rows.reserve(n);
    // The records in one read: asking for them one by one costs a seek each.
    const std::size_t recLen = static_cast<std::size_t>(h->nRecordLength);
    std::string records(recLen * static_cast<std::size_t>(n), '\0');
    std::size_t got = 0;
    if (n > 0) {
        std::FILE* f = std::fopen(resolveFile(file).string().c_str(), "rb");
        if (f) {
            if (std::fseek(f, h->nHeaderLength, SEEK_SET) == 0)
                got = std::fread(records.data(), 1, records.size(), f);
            std::fclose(f);
        }
    }
    for (int r = 0; r < n; ++r) {
        if ((static_cast<std::size_t>(r) + 1) * recLen > got)
            throw Error("Não foi possível ler o registro " + std::to_string(r + 1) + " de " + file.string());
        const char* rec = records.data() + static_cast<std::size_t>(r) * recLen;
        if (rec[0] == '*')
            continue;
        Row row(nf);
        for (int i = 0; i < nf; ++i) {
            const FieldDef& f = t.fields[i];
            std::string_view raw(rec + offset[i], f.width);
            if (f.isNumeric()) {
                std::size_t b0 = 0, e0 = raw.size();
                while (b0 < e0 && (raw[b0] == ' ' || raw[b0] == '\t' || raw[b0] == '\0'))
                    ++b0;
                while (e0 > b0 && (raw[e0 - 1] == ' ' || raw[e0 - 1] == '\t' || raw[e0 - 1] == '\0'))
                    --e0;
                std::string_view s = raw.substr(b0, e0 - b0);
                if (s.empty() || s[0] == '*')
                    continue; // empty number
                double v = 0;
                const char* b = s.data();
                if (*b == '+')
                    ++b;
                auto [p, ec] = std::from_chars(b, s.data() + s.size(), v);
                if (ec != std::errc())
                    throw Error("Valor numérico inválido '" + std::string(s) + "' no campo " + f.name + " de " +
                                file.string());
                row[i] = Value(v);
            } else {
                std::size_t e = raw.size();
                while (e > 0 && (raw[e - 1] == ' ' || raw[e - 1] == '\0'))
                    --e;
                std::string_view v = raw.substr(0, e);
                row[i] = Value(cp1252 ? cp1252ToUtf8(v) : decodeText(v));
            }
        }
        t.rows.push_back(std::move(row));
    }
    return t;
}

// ---- writing ----------------------------------------------------------------

namespace {

// The common case of formatFixed: the value times 10^decimals, rounded to the
// nearest whole number exactly as the decimal expansion would round it (the
// product's rounding error is recovered with fma, a tie goes to the even
// neighbour), then written as digits. -1 when out of its range.
int formatFixedFast(double v, int decimals, char* out)
{
    static constexpr double kPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7,
                                        1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    static constexpr char kPairs[] = "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
                                     "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
                                     "8081828384858687888990919293949596979899";
    if (decimals < 0 || decimals > 15)
        return -1;
    const double scale = kPow10[decimals];
    const double p = v * scale;
    if (!(std::fabs(p) < 4.0e15))
        return -1;
    // Nearest whole number, a half to the even one: adding and taking away
    // 2^52 leaves no room for a fraction.
    constexpr double kShift = 4503599627370496.0;
    double r = p >= 0 ? (p + kShift) - kShift : (p - kShift) + kShift;
    const double d = p - r; // exact
    if (d == 0.5 || d == -0.5) {
        const double e = std::fma(v, scale, -p); // v * scale == p + e exactly
        if (d == 0.5 && e > 0)
            r += 1;
        else if (d == -0.5 && e < 0)
            r -= 1;
    }
    const long long n = static_cast<long long>(r);
    unsigned long long u = n < 0 ? static_cast<unsigned long long>(-n) : static_cast<unsigned long long>(n);
    char digits[24];
    int nd = 0;
    while (u >= 100) {
        const unsigned q = static_cast<unsigned>(u % 100);
        u /= 100;
        digits[nd++] = kPairs[2 * q + 1];
        digits[nd++] = kPairs[2 * q];
    }
    if (u >= 10) {
        digits[nd++] = kPairs[2 * u + 1];
        digits[nd++] = kPairs[2 * u];
    } else {
        digits[nd++] = static_cast<char>('0' + u);
    }
    while (nd < decimals + 1)
        digits[nd++] = '0';
    int len = 0;
    if (std::signbit(v)) // "-0.00" is made zero by the caller
        out[len++] = '-';
    for (int i = nd - 1; i >= 0; --i) {
        out[len++] = digits[i];
        if (i == decimals && decimals > 0)
            out[len++] = '.';
    }
    return len;
}

// Writes v with the field's decimals into out (at most 128 bytes); returns the length.
int formatFixed(double v, int decimals, char* out)
{
    int n = formatFixedFast(v, decimals, out);
    if (n < 0) {
        auto [p, ec] = std::to_chars(out, out + 128, v, std::chars_format::fixed, decimals);
        if (ec != std::errc())
            return -1;
        n = static_cast<int>(p - out);
    }
    if (out[0] == '-') {
        // "-0.000" is written as zero.
        bool allZero = true;
        for (int i = 1; i < n; ++i)
            if (out[i] >= '1' && out[i] <= '9') {
                allZero = false;
                break;
            }
        if (allZero) {
            std::memmove(out, out + 1, static_cast<std::size_t>(n - 1));
            --n;
        }
    }
    return n;
}

[[noreturn]] void numberTooWide(double v, const FieldDef& f)
{
    if (!std::isfinite(v))
        throw Error("valor numérico inválido (" + std::string(std::isnan(v) ? "NaN" : "infinito") + ") no campo " +
                    f.name);
    throw Error("O valor " + formatGeneral(v) + " não cabe no campo " + f.name + " (largura " +
                std::to_string(f.width) + ")");
}

bool isAscii(std::string_view s)
{
    for (unsigned char c : s)
        if (c >= 0x80)
            return false;
    return true;
}

} // namespace

std::string formatNumericField(double v, const FieldDef& f)
{
    char buf[128];
    int n = std::isfinite(v) ? formatFixed(v, f.decimals, buf) : -1;
    if (n < 0 || n > f.width)
        numberTooWide(v, f);
    return std::string(buf, static_cast<std::size_t>(n));
}

std::string readFileBytes(const fs::path& file)
{
    std::error_code ec;
    if (!fs::exists(file, ec))
        throw Error("Arquivo não encontrado: " + file.string());
    if (!fs::is_regular_file(file, ec))
        throw Error("Não é um arquivo: " + file.string());
    std::FILE* f = std::fopen(file.string().c_str(), "rb");
    if (!f)
        throw Error("Não foi possível abrir o arquivo " + file.string() + ": " + std::strerror(errno));
    std::string bytes;
    char buf[1 << 16];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        bytes.append(buf, n);
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed)
        throw Error("Erro de leitura no arquivo " + file.string());
    return bytes;
}

namespace {

// The fault point: which write fails or dies, counted over the whole process.
struct FaultPoint {
    std::mutex lock;
    long long writes = 0;
    long long failAt = 0; // write number that fails; 0 none
    long long killAt = 0; // write number that dies half way; 0 none
    std::string failName, killName; // or the first write of the file of that name

    FaultPoint()
    {
        auto fromEnv = [](const char* name, long long& at, std::string& file) {
            const char* v = std::getenv(name);
            if (!v || !*v)
                return;
            char* end = nullptr;
            const long long n = std::strtoll(v, &end, 10);
            if (end && *end == '\0')
                at = n > 0 ? n : 0;
            else
                file = lowerAscii(v);
        };
        fromEnv("DEMOVIA_FAIL_WRITE", failAt, failName);
        fromEnv("DEMOVIA_ABORT_WRITE", killAt, killName);
    }
};

FaultPoint& faultPoint()
{
    static FaultPoint f;
    return f;
}

} // namespace

void setWriteFault(WriteFault kind, long long n)
{
    FaultPoint& f = faultPoint();
    std::lock_guard<std::mutex> g(f.lock);
    (kind == WriteFault::Fail ? f.failAt : f.killAt) = n > 0 ? f.writes + n : 0;
}

long long atomicWriteCount()
{
    FaultPoint& f = faultPoint();
    std::lock_guard<std::mutex> g(f.lock);
    return f.writes;
}

std::string originalError(const std::exception& e)
{
    if (auto w = dynamic_cast<const WriteError*>(&e))
        return w->cause();
    return e.what();
}

bool isAtomicWriteLeftover(const std::string& name)
{
    // "~{name}.{digits}.tmp"
    if (name.size() < 8 || name[0] != '~' || name.compare(name.size() - 4, 4, ".tmp") != 0)
        return false;
    const std::size_t end = name.size() - 4;
    const std::size_t dot = name.rfind('.', end - 1);
    if (dot == std::string::npos || dot < 2 || dot + 1 == end)
        return false;
    for (std::size_t i = dot + 1; i < end; ++i)
        if (name[i] < '0' || name[i] > '9')
            return false;
    return true;
}

int removeAtomicWriteLeftovers(const fs::path& dir)
{
    int removed = 0;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code e2;
        if (it->is_regular_file(e2) && isAtomicWriteLeftover(it->path().filename().string()) &&
            fs::remove(it->path(), e2))
            ++removed;
    }
    return removed;
}

// The fault point's verdict on the next atomic write of target (tests only).
static void nextWriteFault(const fs::path& target, bool& fail, bool& die)
{
    {
        FaultPoint& fp = faultPoint();
        std::lock_guard<std::mutex> g(fp.lock);
        const long long n = ++fp.writes;
        fail = n == fp.failAt;
        die = n == fp.killAt;
        if (!fp.failName.empty() || !fp.killName.empty()) {
            const std::string name = lowerAscii(target.filename().string());
            if (name == fp.failName) {
                fail = true;
                fp.failName.clear();
            }
            if (name == fp.killName) {
                die = true;
                fp.killName.clear();
            }
        }
    }
}

void writeFileAtomically(const fs::path& target, const std::string& bytes)
{
    fs::path dir = target.parent_path();
    if (dir.empty())
        dir = ".";
    bool fail = false, die = false;
    nextWriteFault(target, fail, die);
    static std::mt19937_64 rng{std::random_device{}()};
    fs::path tmp = dir / ("~" + target.filename().string() + "." + std::to_string(rng() % 1000000000) + ".tmp");
    {
        std::FILE* f = std::fopen(tmp.string().c_str(), "wb");
        if (!f) {
            const int err = errno;
            throw WriteError("Não foi possível criar o arquivo " + tmp.string() + ": " + std::strerror(err),
                             std::strerror(err));
        }
        const std::size_t size = fail || die ? bytes.size() / 2 : bytes.size();
        bool ok = std::fwrite(bytes.data(), 1, size, f) == size;
        ok = (std::fflush(f) == 0) && ok;
        int err = ok ? 0 : errno;
        if (die) {
            // As a kill would leave it: the temporary half written, the target untouched.
            std::fclose(f);
            ::kill(::getpid(), SIGKILL);
        }
        if (fail && ok) {
            ok = false;
            err = ENOSPC;
        }
        if (std::fclose(f) != 0 && ok) {
            ok = false;
            err = errno;
        }
        if (!ok) {
            std::error_code ec;
            fs::remove(tmp, ec);
            const std::string cause = std::strerror(err ? err : EIO);
            throw WriteError("Não foi possível gravar o arquivo " + target.string() + ": " + cause, cause);
        }
    }
    std::error_code ec;
    fs::rename(tmp, target, ec);
    if (ec) {
        const std::string cause = ec.message();
        fs::remove(tmp, ec);
        throw WriteError("Não foi possível substituir o arquivo " + target.string() + ": " + cause, cause);
    }
}

static void put16(std::string& b, std::size_t at, unsigned v)
{
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
static void put32(std::string& b, std::size_t at, unsigned v)
{
    for (int k = 0; k < 4; ++k)
        b[at + k] = static_cast<char>((v >> (8 * k)) & 0xFF);
}

namespace {

// The header of a dBase III table (date of today, code page 1252) and the
// length of its records. Throws Error for fields it cannot hold.
std::string dbfHeader(const std::string& tableName, const std::vector<FieldDef>& fields, std::size_t rows,
                      std::size_t& recLen)
{
    const std::size_t nf = fields.size();
    if (nf == 0)
        throw Error("A tabela " + tableName + " não tem campos");
    recLen = 1;
    for (const auto& f : fields) {
        if (f.width < 1 || f.width > 254)
            throw Error("Largura inválida no campo " + f.name);
        recLen += f.width;
    }
    if (recLen > 65535)
        throw Error("Registro longo demais em " + tableName);
    const std::size_t headerLen = 32 + 32 * nf + 1;
    std::string buf(headerLen, '\0');
    buf[0] = 0x03; // dBase III without memo
    std::time_t now = std::time(nullptr);
    std::tm tmv{};
    localtime_r(&now, &tmv);
    buf[1] = static_cast<char>(tmv.tm_year); // years since 1900, as dBase keeps them
    buf[2] = static_cast<char>(tmv.tm_mon + 1);
    buf[3] = static_cast<char>(tmv.tm_mday);
    put32(buf, 4, static_cast<unsigned>(rows));
    put16(buf, 8, static_cast<unsigned>(headerLen));
    put16(buf, 10, static_cast<unsigned>(recLen));
    buf[29] = 0x03; // language driver: Windows ANSI, code page 1252
    for (std::size_t i = 0; i < nf; ++i) {
        std::size_t at = 32 + 32 * i;
        std::string name = utf8ToCp1252(fields[i].name).substr(0, 10);
        std::memcpy(&buf[at], name.data(), name.size());
        buf[at + 11] = fields[i].type;
        buf[at + 16] = static_cast<char>(fields[i].width);
        buf[at + 17] = static_cast<char>(fields[i].decimals);
    }
    buf[headerLen - 1] = 0x0D;
    return buf;
}

} // namespace

namespace {

// One record's bytes (after the deletion flag) from a row; every value checked
// against its field. rec points at the record's first byte, blanks already.
void encodeRecord(const std::vector<FieldDef>& fields, const Row& row, char* rec, const std::string& tableName,
                  std::size_t rowNumber)
{
    char num[128];
    std::size_t at = 1;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const FieldDef& f = fields[i];
        static const Value kEmpty;
        const Value& v = i < row.size() ? row[i] : kEmpty;
        try {
            if (f.isNumeric()) {
                if (!v.isNull()) {
                    double d = v.toDouble();
                    int n = std::isfinite(d) ? formatFixed(d, f.decimals, num) : -1;
                    if (n < 0 || n > f.width)
                        numberTooWide(d, f);
                    std::memcpy(rec + at + f.width - n, num, static_cast<std::size_t>(n));
                }
            } else if (!v.isNull()) {
                std::string text = v.toText();
                std::string s = isAscii(text) ? std::move(text) : utf8ToCp1252(text);
                if (static_cast<int>(s.size()) > f.width)
                    throw Error("O texto '" + v.toText() + "' não cabe no campo " + f.name + " (largura " +
                                std::to_string(f.width) + ")");
                std::memcpy(rec + at, s.data(), s.size());
            }
        } catch (const Error& e) {
            throw Error(std::string(e.what()) + " - tabela " + tableName + ", registro " +
                        std::to_string(rowNumber + 1));
        }
        at += f.width;
    }
}

} // namespace

void writeTable(const fs::path& file, const Table& table)
{
    std::size_t recLen = 0;
    std::string buf = dbfHeader(file.string(), table.fields, table.rows.size(), recLen);
    const std::size_t headerLen = buf.size();
    buf.resize(headerLen + recLen * table.rows.size(), ' ');
    const std::string name = file.filename().string();
    for (std::size_t r = 0; r < table.rows.size(); ++r)
        encodeRecord(table.fields, table.rows[r], &buf[headerLen + recLen * r], name, r);
    buf += '\x1A';

    // Keep the name the file already has on disk, whatever its case.
    fs::path target = resolveFile(file);
    writeFileAtomically(target, buf);
}

// ---- appended table ------------------------------------------------------------

AppendedTable::AppendedTable(std::vector<FieldDef> fields) : m_fields(std::move(fields))
{
    dbfHeader("", m_fields, 0, m_recLen);
}

void AppendedTable::append(const Row& row)
{
    const std::size_t at = m_records.size();
    m_records.resize(at + m_recLen, ' ');
    try {
        encodeRecord(m_fields, row, &m_records[at], m_name, m_rows);
    } catch (...) {
        m_records.resize(at);
        throw;
    }
    ++m_rows;
}

void AppendedTable::write(const fs::path& file)
{
    std::size_t recLen = 0;
    std::string buf = dbfHeader(file.string(), m_fields, m_rows, recLen);
    buf.reserve(buf.size() + m_records.size() + 1);
    buf += m_records;
    buf += '\x1A';
    writeFileAtomically(resolveFile(file), buf);
}

// ---- table writer -------------------------------------------------------------

namespace {
constexpr std::size_t kWriterBuffer = 1 << 20;
}

TableWriter::TableWriter(const fs::path& target, std::vector<FieldDef> fields)
    : m_target(resolveFile(target)), m_fields(std::move(fields))
{
    m_header = dbfHeader(m_target.string(), m_fields, 0, m_recLen);
    fs::path dir = m_target.parent_path();
    if (dir.empty())
        dir = ".";
    static std::mt19937_64 rng{std::random_device{}()};
    m_tmp = dir / ("~" + m_target.filename().string() + "." + std::to_string(rng() % 1000000000) + ".tmp");
    m_file = std::fopen(m_tmp.string().c_str(), "wb");
    if (!m_file)
    {
        const int err = errno;
        throw WriteError("Não foi possível criar o arquivo " + m_tmp.string() + ": " + std::strerror(err),
                         std::strerror(err));
    }
    m_buffer = m_header;
    m_buffer.reserve(kWriterBuffer + m_recLen);
}

TableWriter::~TableWriter()
{
    if (m_file)
        std::fclose(m_file);
    if (!m_committed) {
        std::error_code ec;
        fs::remove(m_tmp, ec);
    }
}

void TableWriter::flush()
{
    if (m_buffer.empty())
        return;
    if (std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_file) != m_buffer.size()) {
        const std::string cause = std::strerror(errno);
        throw WriteError("Não foi possível gravar o arquivo " + m_target.string() + ": " + cause, cause);
    }
    m_buffer.clear();
}

void TableWriter::append(const Row& row)
{
    const std::size_t at = m_buffer.size();
    m_buffer.resize(at + m_recLen, ' ');
    try {
        encodeRecord(m_fields, row, &m_buffer[at], m_target.filename().string(), m_rows);
    } catch (...) {
        m_buffer.resize(at);
        throw;
    }
    ++m_rows;
    if (m_buffer.size() >= kWriterBuffer)
        flush();
}

void TableWriter::commit()
{
    // One atomic write as far as the fault point is concerned.
    bool fail = false, die = false;
    nextWriteFault(m_target, fail, die);
    if (die) {
        std::fclose(m_file);
        m_file = nullptr;
        ::kill(::getpid(), SIGKILL);
    }
    m_buffer += '\x1A';
    flush();
    // The record count goes into the header now that it is known.
    unsigned char count[4];
    for (int k = 0; k < 4; ++k)
        count[k] = static_cast<unsigned char>((m_rows >> (8 * k)) & 0xFF);
    bool ok = std::fseek(m_file, 4, SEEK_SET) == 0 && std::fwrite(count, 1, 4, m_file) == 4;
    ok = std::fflush(m_file) == 0 && ok;
    int err = ok ? 0 : errno;
    if (fail && ok) {
        ok = false;
        err = ENOSPC;
    }
    if (std::fclose(m_file) != 0 && ok) {
        ok = false;
        err = errno;
    }
    m_file = nullptr;
    if (!ok) {
        const std::string cause = std::strerror(err ? err : EIO);
        throw WriteError("Não foi possível gravar o arquivo " + m_target.string() + ": " + cause, cause);
    }
    std::error_code ec;
    fs::rename(m_tmp, m_target, ec);
    if (ec) {
        const std::string cause = ec.message();
        throw WriteError("Não foi possível substituir o arquivo " + m_target.string() + ": " + cause, cause);
    }
    m_committed = true;
}

// ---- table image ------------------------------------------------------------

TableImage::TableImage(std::vector<FieldDef> fields, std::size_t rows) : m_fields(std::move(fields)), m_rows(rows)
{
    m_bytes = dbfHeader("", m_fields, rows, m_recLen);
    m_headerLen = m_bytes.size();
    std::size_t at = 1;
    for (const auto& f : m_fields) {
        m_offset.push_back(at);
        at += f.width;
    }
    m_bytes.resize(m_headerLen + m_recLen * rows, ' ');
    m_bytes += '\x1A';
}

void TableImage::setNumber(std::size_t row, int field, double v)
{
    const FieldDef& f = m_fields.at(static_cast<std::size_t>(field));
    char num[128];
    int n = std::isfinite(v) ? formatFixed(v, f.decimals, num) : -1;
    try {
        if (n < 0 || n > f.width || !f.isNumeric())
            numberTooWide(v, f);
    } catch (const Error& e) {
        throw Error(std::string(e.what()) + " - registro " + std::to_string(row + 1));
    }
    char* cell = &m_bytes[m_headerLen + m_recLen * row + m_offset[static_cast<std::size_t>(field)]];
    std::memset(cell, ' ', static_cast<std::size_t>(f.width - n));
    std::memcpy(cell + f.width - n, num, static_cast<std::size_t>(n));
}

void TableImage::setText(std::size_t row, int field, std::string_view text)
{
    const FieldDef& f = m_fields.at(static_cast<std::size_t>(field));
    std::string converted;
    std::string_view s = text;
    if (!isAscii(text)) {
        converted = utf8ToCp1252(text);
        s = converted;
    }
    if (static_cast<int>(s.size()) > f.width || f.isNumeric())
        throw Error("O texto '" + std::string(text) + "' não cabe no campo " + f.name + " (largura " +
                    std::to_string(f.width) + ") - registro " + std::to_string(row + 1));
    char* cell = &m_bytes[m_headerLen + m_recLen * row + m_offset[static_cast<std::size_t>(field)]];
    std::memcpy(cell, s.data(), s.size());
    std::memset(cell + s.size(), ' ', static_cast<std::size_t>(f.width) - s.size());
}

void TableImage::write(const fs::path& file)
{
    std::time_t now = std::time(nullptr);
    std::tm tmv{};
    localtime_r(&now, &tmv);
    m_bytes[1] = static_cast<char>(tmv.tm_year);
    m_bytes[2] = static_cast<char>(tmv.tm_mon + 1);
    m_bytes[3] = static_cast<char>(tmv.tm_mday);
    writeFileAtomically(resolveFile(file), m_bytes);
}

void copyTemplate(const fs::path& templateFile, const fs::path& target, CopyMode mode)
{
    std::vector<FieldDef> f = readSchema(templateFile);
    fs::path real = resolveFile(target);
    std::error_code ec;
    if (mode == CopyMode::DeleteThenCreate && fs::exists(real, ec)) {
        if (!fs::remove(real, ec) || ec)
            throw Error("Não foi possível apagar o arquivo " + real.string());
    }
    writeTable(real, Table(std::move(f)));
}

} // namespace demovia
