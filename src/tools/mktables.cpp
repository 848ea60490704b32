// Build step: writes the empty templates (DBVazio) and the reference tables
// (DBPadrao) of an application folder from the schema and the text sources.
#include "data/error.h"
#include "data/schema.h"
#include "shell/reference_data.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "uso: demovia-mktables PASTA_DA_APLICACAO PASTA_DOS_DADOS\n");
        return 2;
    }
    try {
        demovia::fs::path app = argv[1];
        demovia::writeTemplates(app / "DBVazio");
        demovia::writeReferenceTables(app / "DBPadrao", argv[2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
