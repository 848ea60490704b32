#include "data/scripted_dialogs.h"

#include <cstdio>

namespace demovia {

std::string generalErrorText(const std::string& text)
{
    if (text.empty() || static_cast<unsigned char>(text.back()) <= '.')
        return text;
    return text + ".";
}

static const char* kindName(Dialogs::Kind k)
{
    switch (k) {
    case Dialogs::Kind::Warning: return "warning";
    case Dialogs::Kind::Error: return "error";
    case Dialogs::Kind::Information: return "information";
    }
    return "message";
}

void ScriptedDialogs::message(Kind kind, const std::string& text)
{
    log.push_back({kindName(kind), text});
    if (echoToStderr)
        std::fprintf(stderr, "%s\n", text.c_str());
}

bool ScriptedDialogs::confirm(const std::string& text)
{
    log.push_back({"confirm", text});
    bool answer = confirmDefault;
    if (!confirmAnswers.empty()) {
        answer = confirmAnswers.front();
        confirmAnswers.pop_front();
    }
    if (echoToStderr)
        std::fprintf(stderr, "%s [%s]\n", text.c_str(), answer ? "Sim" : "Não");
    return answer;
}

template <class Q>
static std::optional<std::string> take(Q& q)
{
    if (q.empty())
        return std::nullopt;
    auto v = q.front();
    q.pop_front();
    return v;
}

std::optional<std::string> ScriptedDialogs::chooseOpenFile(const std::string&) { return take(openFiles); }
std::optional<std::string> ScriptedDialogs::chooseSaveFile() { return take(saveFiles); }

std::optional<std::string> ScriptedDialogs::inputBox(const std::string& title, const std::string&,
                                                     const std::string&)
{
    log.push_back({"input", title});
    return take(inputs);
}

bool ScriptedDialogs::saw(const std::string& kind, const std::string& textPart) const
{
    for (const auto& e : log)
        if (e.kind == kind && e.text.find(textPart) != std::string::npos)
            return true;
    return false;
}

} // namespace demovia
