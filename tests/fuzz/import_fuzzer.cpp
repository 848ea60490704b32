// libFuzzer harness for the text import; not part of the normal build.
//
// Build and run from the source folder (clang with libFuzzer):
//   clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -Isrc \
//       tests/fuzz/import_fuzzer.cpp src/data/*.cpp \
//       $(pkg-config --cflags --libs shapelib) -lsqlite3 -o /tmp/import_fuzzer
//   /tmp/import_fuzzer -max_total_time=60 -max_len=4096
//
// The first input byte picks the options (heading lines, decimal separator,
// whether an old target exists); the rest is the text file. Any crash, any
// sanitizer report, or a failed import that touched the old target is a finding.
#include "data/scripted_dialogs.h"
#include "data/table.h"
#include "data/text_exchange.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

using namespace demovia;

namespace {

struct Fixture {
    fs::path dir, tpl, text, target;
    Table old;
    std::string oldBytes;

    Fixture()
    {
        char name[] = "/tmp/demovia-fuzz-XXXXXX";
        if (!mkdtemp(name))
            std::abort();
        dir = name;
        tpl = dir / "modelo.dbf";
        text = dir / "in.txt";
        target = dir / "x.dbf";
        writeTable(tpl, Table({{"uf", 'C', 2, 0}, {"mun", 'C', 4, 0}, {"a", 'N', 8, 0}, {"b", 'N', 12, 3},
                               {"t", 'C', 6, 0}}));
        old = Table(readSchema(tpl));
        old.append({Value("zz"), Value("0001"), Value(1.0), Value(2.5), Value("velho")});
        writeTable(target, old);
        oldBytes = bytesOf(target);
        fs::remove(target);
    }

    static std::string bytesOf(const fs::path& p)
    {
        std::ifstream in(p, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Fixture fx;
    if (size == 0)
        return 0;
    const std::uint8_t options = data[0];
    {
        std::ofstream out(fx.text, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
    }
    std::error_code ec;
    fs::remove(fx.target, ec);
    const bool hadTarget = options & 4;
    if (hadTarget)
        writeTable(fx.target, fx.old);

    ScriptedDialogs dialogs;
    const NumberFormat fmt = (options & 2) ? NumberFormat{'.', ','} : NumberFormat{',', '.'};
    const bool ok = importText(fx.text, fx.target, fx.tpl, options & 1, fmt, dialogs);
    if (ok) {
        (void)readTable(fx.target); // what was written must read back
    } else {
        if (dialogs.log.size() != 1)
            std::abort();
        if (hadTarget ? Fixture::bytesOf(fx.target) != fx.oldBytes : fs::exists(fx.target, ec))
            std::abort();
    }
    return 0;
}
