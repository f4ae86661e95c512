// tools/msgc/main.cpp - msgc, the message catalogue compiler: build, append, dump, verify, and
// the header of message names.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "messages/catalogueInternals.h"
#include "messages/messages.h"
#include "tools/msgc/numbersHeader.h"
#include "tools/msgc/sourceParser.h"
#include "tools/msgc/writer.h"

namespace {

const char usageText[] =
    "usage: msgc build SOURCE -o FILE [options]   write a catalogue as a file of its own\n"
    "       msgc append SOURCE MODULE [options]   append one to MODULE, replacing one there\n"
    "       msgc dump FILE                        list the messages of FILE's catalogue\n"
    "       msgc verify FILE                      check that every message reads back\n"
    "       msgc header SOURCE -o FILE            write the C++ header of the messages' names\n"
    "options:\n"
    "  --per-block N        messages per block (default 1)\n"
    "  --pin M:N            pin the block that holds message N of module M\n"
    "  --pin-module M       pin every block of module M\n"
    "  --cache-limit BYTES  bytes of blocks the reader loads before it flushes (default -1, none)\n"
    "  --kind K             record kind of messages whose entry gives none: 1, 7, 9, 12 (default)\n"
    "  --language CODE      the language code the catalogue's header names (default en)\n"
    "  --help               show this text\n";

int usage(const char* problem) {
    if (problem != nullptr) std::fprintf(stderr, "msgc: %s\n", problem);
    std::fputs(usageText, stderr);
    return 2;
}

bool parseInt(const char* text, long long low, long long high, long long& value) {
    if (text == nullptr || *text == '\0') return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoll(text, &end, 10);
    return errno == 0 && *end == '\0' && value >= low && value <= high;
}

bool parsePin(const char* text, std::pair<int, int>& pin) {
    const char* colon = text != nullptr ? std::strchr(text, ':') : nullptr;
    if (colon == nullptr) return false;
    std::string module(text, colon);
    long long m, n;
    if (!parseInt(module.c_str(), 0, 32767, m) || !parseInt(colon + 1, 1, 32767, n)) return false;
    pin = {static_cast<int>(m), static_cast<int>(n)};
    return true;
}

struct Command {
    std::string name;
    std::vector<std::string> operands;
    std::string output;  // -o FILE
    CatalogueOptions options;
};

// Returns 0 when the arguments make a command, else the usage exit status (2), or -1 after --help.
int parseArguments(int argc, char** argv, Command& command) {
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        long long number;
        if (arg == "--help" || arg == "-h") {
            std::fputs(usageText, stdout);
            return -1;
        } else if (arg == "-o") {
            if (value == nullptr) return usage("-o needs a file name");
            command.output = value;
        } else if (arg == "--per-block") {
            if (!parseInt(value, 1, 32767, number))
                return usage("--per-block needs a number from 1 to 32767");
            command.options.messagesPerBlock = static_cast<int>(number);
        } else if (arg == "--cache-limit") {
            if (!parseInt(value, -1, INT32_MAX, number))
                return usage("--cache-limit needs -1 or a byte count");
            command.options.cacheLimit = static_cast<std::int32_t>(number);
        } else if (arg == "--kind") {
            if (!parseInt(value, 0, 255, number) || !isValidKind(static_cast<int>(number))) {
                return usage("--kind needs 1, 7, 9 or 12");
            }
            command.options.defaultKind = static_cast<int>(number);
        } else if (arg == "--language") {
            if (value == nullptr) return usage("--language needs a language code");
            command.options.language = value;
        } else if (arg == "--pin") {
            std::pair<int, int> pin;
            if (!parsePin(value, pin)) return usage("--pin needs MODULE:NUMBER");
            command.options.pinnedMessages.push_back(pin);
        } else if (arg == "--pin-module") {
            if (!parseInt(value, 0, 32767, number))
                return usage("--pin-module needs a module number");
            command.options.pinnedModules.push_back(static_cast<int>(number));
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usage(("unknown option " + arg).c_str());
        } else {
            if (command.name.empty())
                command.name = arg;
            else
                command.operands.push_back(arg);
            continue;
        }
        i++;  // the option's value
    }
    return 0;
}

bool readSource(const std::string& path, std::vector<SourceMessage>& messages,
                std::vector<NamedModule>* modules = nullptr) {
    std::vector<unsigned char> bytes;
    std::string error;
    if (!readWholeFile(path, bytes, error)) {
        std::fprintf(stderr, "msgc: %s\n", error.c_str());
        return false;
    }
    if (!parseMessageSource(std::string(bytes.begin(), bytes.end()), path, messages, error,
                            modules)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    return true;
}

bool compileSource(const std::string& path, const CatalogueOptions& options,
                   BuiltCatalogue& built) {
    std::vector<SourceMessage> messages;
    if (!readSource(path, messages)) return false;
    std::string error;
    int line = 0;
    if (!buildCatalogue(messages, options, built, error, &line)) {
        if (line > 0)
            std::fprintf(stderr, "%s:%d: %s\n", path.c_str(), line, error.c_str());
        else
            std::fprintf(stderr, "msgc: %s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    return true;
}

int runBuild(const Command& command) {
    if (command.operands.size() != 1 || command.output.empty()) {
        return usage("build takes SOURCE and -o FILE");
    }
    BuiltCatalogue built;
    if (!compileSource(command.operands[0], command.options, built)) return 1;
    std::string error;
    if (!writeCatalogueFile(command.output, built.bytes, error)) {
        std::fprintf(stderr, "msgc: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

int runAppend(const Command& command) {
    if (command.operands.size() != 2 || !command.output.empty()) {
        return usage("append takes SOURCE and MODULE");
    }
    BuiltCatalogue built;
    if (!compileSource(command.operands[0], command.options, built)) return 1;
    std::string error;
    if (!appendCatalogueToFile(command.operands[1], built.bytes, error)) {
        std::fprintf(stderr, "msgc: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

// A file that holds text already is left alone, so that the build does not compile again what
// includes it.
bool writeIfChanged(const std::string& path, const std::string& text) {
    std::ifstream old(path, std::ios::binary);
    std::stringstream held;
    held << old.rdbuf();
    if (old && held.str() == text) return true;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        std::fprintf(stderr, "msgc: can't write %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    return true;
}

int runHeader(const Command& command) {
    if (command.operands.size() != 1 || command.output.empty()) {
        return usage("header takes SOURCE and -o FILE");
    }
    std::vector<SourceMessage> messages;
    std::vector<NamedModule> modules;
    if (!readSource(command.operands[0], messages, &modules)) return 1;
    std::string header, error;
    if (!writeNumbersHeader(messages, modules, command.operands[0], header, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return writeIfChanged(command.output, header) ? 0 : 1;
}

bool decodeFile(const std::string& path, DecodedCatalogue& decoded) {
    std::vector<unsigned char> bytes;
    std::string error;
    if (!readWholeFile(path, bytes, error) || !decodeCatalogue(bytes, decoded, error)) {
        std::fprintf(stderr, "msgc: %s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    return true;
}

int runDump(const Command& command) {
    if (command.operands.size() != 1) return usage("dump takes FILE");
    DecodedCatalogue decoded;
    if (!decodeFile(command.operands[0], decoded)) return 1;
    std::printf("# %s: %d module slots, %zu messages in %d blocks, %d per block, cache limit %d\n",
                command.operands[0].c_str(), decoded.slotCount, decoded.messages.size(),
                decoded.blockCount, decoded.messagesPerBlock, decoded.cacheLimit);
    int module = -1;
    for (const SourceMessage& m : decoded.messages) {
        if (m.module != module) {
            module = m.module;
            std::printf("# module %d: %d messages\n", module, decoded.moduleCounts[module]);
        }
        std::printf("%d:%d %d %s\n", m.module, m.number, m.kind, quoteText(m.text).c_str());
    }
    return 0;
}

// ---- verify: the library itself must read back what the decoder sees ----

int readerErrors = 0;

void countReaderError(const char* text) {
    readerErrors++;
    std::fprintf(stderr, "msgc: reader: %s", text);
}

// The reader's text must hold the decoded one and end right after it, as its users print it
// up to the terminator: a NUL, or a zero unit for kind 9.
bool sameText(const SourceMessage& m, const char* text, int length) {
    if (length != static_cast<int>(m.text.size())) return false;
    if (m.kind == 9) {
        for (int i = 0; i <= length; i++) {
            std::uint16_t unit;
            std::memcpy(&unit, text + 2 * i, 2);
            std::uint16_t want = i < length ? static_cast<unsigned char>(m.text[i]) : 0;
            if (unit != want) return false;
        }
        return true;
    }
    return std::memcmp(text, m.text.data(), m.text.size()) == 0 && text[length] == '\0';
}

int runVerify(const Command& command) {
    if (command.operands.size() != 1) return usage("verify takes FILE");
    const std::string& path = command.operands[0];
    DecodedCatalogue decoded;
    if (!decodeFile(path, decoded)) return 1;
    if (openCatalogue(path.c_str(), countReaderError) == -1) return 1;
    // Forwards, then backwards: the second time a text is read, the records after it in its
    // block have been unscrambled and marked, so a text that runs on into them shows.
    const std::size_t count = decoded.messages.size();
    std::vector<bool> differs(count, false);
    for (std::size_t step = 0; step < 2 * count; step++) {
        std::size_t i = step < count ? step : 2 * count - 1 - step;
        const SourceMessage& m = decoded.messages[i];
        int length = 0;
        const char* text = getMessage(m.module, m.number, &length);
        if (text == nullptr || !sameText(m, text, length)) differs[i] = true;
    }
    closeCatalogue();
    int mismatches = 0;
    for (std::size_t i = 0; i < count; i++) {
        if (!differs[i]) continue;
        const SourceMessage& m = decoded.messages[i];
        std::fprintf(stderr, "msgc: %s: message %d:%d reads back differently\n", path.c_str(),
                     m.module, m.number);
        mismatches++;
    }
    if (mismatches > 0 || readerErrors > 0) return 1;
    std::printf("%s: %zu messages read back\n", path.c_str(), decoded.messages.size());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Command command;
    int status = parseArguments(argc, argv, command);
    if (status == -1) return 0;
    if (status != 0) return status;
    if (command.name == "build") return runBuild(command);
    if (command.name == "append") return runAppend(command);
    if (command.name == "dump") return runDump(command);
    if (command.name == "verify") return runVerify(command);
    if (command.name == "header") return runHeader(command);
    if (command.name.empty()) return usage("no command given");
    return usage(("unknown command " + command.name).c_str());
}
