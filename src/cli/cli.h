#pragma once
#include "data/scripted_dialogs.h"
#include "data/table.h"
#include "data/text_exchange.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace demovia::cli {

// Wrong usage: exit code 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Context {
    fs::path appDir;          // ends with the separator
    NumberFormat format;
    ScriptedDialogs dialogs;  // messages echoed to standard error
    std::vector<std::string> args; // the command's own arguments

    // The value after an option ("--uf 12"), removed from args; def when absent.
    std::string option(const std::string& name, const std::string& def = {});
    bool flag(const std::string& name); // removed from args when present
    const std::string& arg(std::size_t i) const; // positional; UsageError when missing
};

using CommandFn = int (*)(Context&);
struct Command {
    const char* name;
    const char* usage;
    CommandFn fn;
};

// Commands register themselves from their own source files.
struct Registrar {
    Registrar(const char* name, const char* usage, CommandFn fn);
};
const std::vector<Command>& commands();

} // namespace demovia::cli
