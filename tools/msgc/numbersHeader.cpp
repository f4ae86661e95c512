// tools/msgc/numbersHeader.cpp - writes the header of message names from a parsed source.
#include "tools/msgc/numbersHeader.h"

#include <algorithm>
#include <map>

namespace {

constexpr std::size_t lineLimit = 100;  // the columns of the code that includes the header

std::string constant(const std::string& name, int number) {
    return "constexpr int " + name + " = " + std::to_string(number) + ";";
}

// The text quoted as the source writes it, cut with "..." where the line would pass the limit.
std::string textComment(const std::string& text, std::size_t room) {
    std::string quoted = quoteText(text);
    if (quoted.size() <= room) return quoted;
    std::string cut = "\"";
    for (char c : text) {
        std::string piece = quoteText(std::string(1, c));
        piece = piece.substr(1, piece.size() - 2);
        if (cut.size() + piece.size() + 4 > room) break;
        cut += piece;
    }
    return cut + "...\"";
}

// One module's lines: its number, then its messages' numbers, in number order, the comments
// lined up.
std::string moduleBlock(const NamedModule& module, std::vector<const SourceMessage*> messages) {
    std::sort(messages.begin(), messages.end(),
              [](const SourceMessage* a, const SourceMessage* b) { return a->number < b->number; });
    std::size_t width = 0;
    for (const SourceMessage* m : messages)
        width = std::max(width, constant(m->name, m->number).size());
    std::string block = "\n// ---- module " + std::to_string(module.module) + " ----\n" +
                        constant(module.name, module.module) + "\n";
    for (const SourceMessage* m : messages) {
        std::string line = constant(m->name, m->number);
        line.resize(width, ' ');
        line += "  // ";
        std::size_t room = line.size() < lineLimit ? lineLimit - line.size() : 0;
        block += line + textComment(m->text, std::max<std::size_t>(room, 16)) + "\n";
    }
    return block;
}

std::string at(const std::string& source, int line) {
    return source + ":" + std::to_string(line) + ": ";
}

}  // namespace

bool writeNumbersHeader(const std::vector<SourceMessage>& messages,
                        const std::vector<NamedModule>& modules, const std::string& source,
                        std::string& header, std::string& error) {
    std::map<int, const NamedModule*> named;
    for (const NamedModule& module : modules) named[module.module] = &module;
    std::map<int, std::vector<const SourceMessage*>> byModule;
    for (const SourceMessage& m : messages) {
        if (m.name.empty()) {
            error = at(source, m.line) + "message " + std::to_string(m.module) + ":" +
                    std::to_string(m.number) + " has no name (write it before the text)";
            return false;
        }
        if (named.count(m.module) == 0) {
            error = at(source, m.line) + "module " + std::to_string(m.module) +
                    " has no name (a line `module " + std::to_string(m.module) + " NAME`)";
            return false;
        }
        byModule[m.module].push_back(&m);
    }
    header = "// The name of every message number, written by msgc from " +
             source.substr(source.find_last_of('/') + 1) +
             ", where each name stands\n// beside its text: edit that, not this. Code passes the "
             "name, never the number.\n#pragma once\n";
    for (const auto& [number, module] : named) {
        if (byModule.count(number) == 0) {
            error =
                at(source, module->line) + "module " + std::to_string(number) + " holds no message";
            return false;
        }
        header += moduleBlock(*module, byModule[number]);
    }
    return true;
}
