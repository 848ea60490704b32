// demovia-cli: the system's operations from a command line.
#include "cli/cli.h"

#include "data/error.h"

#include <clocale>
#include <malloc.h>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace demovia::cli {

static std::vector<Command>& registry()
{
    static std::vector<Command> r;
    return r;
}

Registrar::Registrar(const char* name, const char* usage, CommandFn fn) { registry().push_back({name, usage, fn}); }
const std::vector<Command>& commands() { return registry(); }

std::string Context::option(const std::string& name, const std::string& def)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == name) {
            if (i + 1 >= args.size())
                throw UsageError("falta o valor de " + name);
            std::string v = args[i + 1];
            args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
            return v;
        }
    }
    return def;
}

bool Context::flag(const std::string& name)
{
    for (std::size_t i = 0; i < args.size(); ++i)
        if (args[i] == name) {
            args.erase(args.begin() + static_cast<long>(i));
            return true;
        }
    return false;
}

const std::string& Context::arg(std::size_t i) const
{
    if (i >= args.size())
        throw UsageError("argumentos insuficientes");
    return args[i];
}

static fs::path executableFolder(const char* argv0)
{
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    fs::path p = n > 0 ? fs::path(std::string(buf, static_cast<std::size_t>(n))) : fs::absolute(argv0);
    return p.parent_path();
}

static char localeDecimal()
{
    std::setlocale(LC_NUMERIC, "");
    const lconv* lc = std::localeconv();
    char d = (lc && lc->decimal_point && *lc->decimal_point) ? *lc->decimal_point : '.';
    std::setlocale(LC_NUMERIC, "C"); // numbers inside tables are locale-free
    return d;
}

static void usage()
{
    std::fprintf(stderr, "uso: demovia-cli [--app-dir PASTA] [--decimal-separator C] COMANDO ...\n");
    for (const auto& c : commands())
        std::fprintf(stderr, "  %s %s\n", c.name, c.usage);
}

} // namespace demovia::cli

int main(int argc, char** argv)
{
    using namespace demovia;
    using namespace demovia::cli;
    // A run holds the whole state in memory and reads its tables one after
    // the other: keep freed memory for the next table instead of handing it
    // back to the system and faulting it in again.
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    Context ctx;
    ctx.dialogs.echoToStderr = true;
    ctx.format.decimal = localeDecimal();
    ctx.format.grouping = ctx.format.decimal == ',' ? '.' : ',';
    fs::path app = executableFolder(argv[0]);

    int i = 1;
    for (; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--app-dir" && i + 1 < argc)
            app = fs::absolute(argv[++i]);
        else if (a == "--decimal-separator" && i + 1 < argc) {
            std::string d = argv[++i];
            if (d.size() != 1 || (d[0] != ',' && d[0] != '.')) {
                std::fprintf(stderr, "separador decimal inválido: %s\n", d.c_str());
                return 2;
            }
            ctx.format.decimal = d[0];
            ctx.format.grouping = d[0] == ',' ? '.' : ',';
        } else if (a == "--help" || a == "-h") {
            usage();
            return 0;
        } else
            break;
    }
    if (i >= argc) {
        usage();
        return 2;
    }
    std::string name = argv[i++];
    ctx.appDir = app / "";
    for (; i < argc; ++i)
        ctx.args.emplace_back(argv[i]);

    for (const auto& c : commands()) {
        if (name != c.name)
            continue;
        try {
            return c.fn(ctx);
        } catch (const UsageError& e) {
            std::fprintf(stderr, "%s\nuso: demovia-cli %s %s\n", e.what(), c.name, c.usage);
            return 2;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", generalErrorText(e.what()).c_str());
            return 1;
        }
    }
    std::fprintf(stderr, "comando desconhecido: %s\n", name.c_str());
    usage();
    return 2;
}
