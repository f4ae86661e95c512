// tools/manualPage/main.cpp - writes hostsim's manual page (troff) from the text of its --help,
// so that the two say the same.
//
// The text's layout is what is read: paragraphs between blank lines; the first, "usage: ...",
// is the synopsis; an option line starts "  -" with its description after two blanks or more,
// and goes on in lines indented further; the paragraphs starting "Exit status: " and "Files: "
// become sections of their own; every other paragraph is description.
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Paragraph = std::vector<std::string>;

const char usageMark[] = "usage: ";
const std::size_t synopsisIndent = sizeof usageMark - 1;  // "usage: " and the lines under it

bool startsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

// What troff would take as its own: a backslash, a hyphen that must stay a minus (an option
// copied from the page must work), a control character at the start of a line.
std::string escapeTroff(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        if (c == '\\')
            escaped += "\\e";
        else if (c == '-')
            escaped += "\\-";
        else
            escaped += c;
    }
    if (!escaped.empty() && (escaped[0] == '.' || escaped[0] == '\'')) escaped.insert(0, "\\&");
    return escaped;
}

// The program's path as one word for the shell: in single quotes, each of its own as '\''.
std::string shellWord(const std::string& text) {
    std::string word = "'";
    for (char c : text) word += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return word + "'";
}

bool readCommandOutput(const std::string& command, std::string& text) {
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return false;
    char chunk[4096];
    for (std::size_t count; (count = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;)
        text.append(chunk, count);
    return pclose(pipe) == 0 && !text.empty();
}

std::vector<Paragraph> splitParagraphs(const std::string& text) {
    std::vector<Paragraph> paragraphs(1);
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = text.substr(start, end - start);
        if (!line.empty())
            paragraphs.back().push_back(line);
        else if (!paragraphs.back().empty())
            paragraphs.emplace_back();
    }
    if (paragraphs.back().empty()) paragraphs.pop_back();
    return paragraphs;
}

void writeSynopsis(const Paragraph& lines, std::string& page) {
    page += ".SH SYNOPSIS\n.nf\n";
    for (const std::string& line : lines)
        page += escapeTroff(line.size() > synopsisIndent ? line.substr(synopsisIndent) : "") + "\n";
    page += ".fi\n";
}

bool isOptionLine(const std::string& line) { return startsWith(line, "  -"); }

// "  -c LINE          runs LINE ..." and the lines that go on with its description.
void writeOptions(const Paragraph& lines, std::string& page) {
    for (const std::string& line : lines) {
        std::size_t text = line.find_first_not_of(' ');
        if (!isOptionLine(line)) {
            page += escapeTroff(line.substr(text)) + "\n";
            continue;
        }
        std::size_t gap = line.find("  ", text);
        std::size_t description = line.find_first_not_of(' ', gap);
        page += ".TP\n.B \"" + escapeTroff(line.substr(text, gap - text)) + "\"\n";
        if (description != std::string::npos) page += escapeTroff(line.substr(description)) + "\n";
    }
}

// A paragraph whose first line starts with mark becomes a section of that title.
void writeSection(const char* title, const char* mark, const Paragraph& lines, std::string& page) {
    page += std::string(".SH \"") + title + "\"\n";
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string line = i == 0 ? lines[i].substr(std::strlen(mark)) : lines[i];
        if (i == 0 && !line.empty()) line[0] = static_cast<char>(std::toupper(line[0]));
        page += escapeTroff(line) + "\n";
    }
}

std::string manualPage(const std::string& help, const std::string& version) {
    std::string page = ".TH HOSTSIM 1 \"\" \"vectrin " + version + "\" \"User Commands\"\n.nh\n";
    page += ".SH NAME\nhostsim \\- the stand\\-in CAD host that runs the vectrin calculator\n";
    bool describing = false;
    for (const Paragraph& lines : splitParagraphs(help)) {
        if (startsWith(lines[0], usageMark)) {
            writeSynopsis(lines, page);
        } else if (startsWith(lines[0], "Exit status: ")) {
            writeSection("EXIT STATUS", "Exit status: ", lines, page);
        } else if (startsWith(lines[0], "Files: ")) {
            writeSection("FILES", "Files: ", lines, page);
        } else {
            page += describing ? "" : ".SH DESCRIPTION\n";
            describing = true;
            if (isOptionLine(lines[0])) {
                writeOptions(lines, page);
                continue;
            }
            page += ".PP\n";
            for (const std::string& line : lines) page += escapeTroff(line) + "\n";
        }
    }
    page +=
        ".SH \"SEE ALSO\"\nREADME.md and functions.md in the documentation folder of vectrin "
        "(share/doc/vectrin where it is installed), or HELP at its command line.\n";
    return page;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: manualPage HOSTSIM VERSION OUTPUT.1\n");
        return 2;
    }
    std::string help;
    if (!readCommandOutput(shellWord(argv[1]) + " --help", help)) {
        std::fprintf(stderr, "manualPage: %s --help gave no text\n", argv[1]);
        return 1;
    }
    std::string page = manualPage(help, argv[2]);
    std::FILE* file = std::fopen(argv[3], "w");
    bool written = file != nullptr && std::fputs(page.c_str(), file) >= 0;
    if (file != nullptr && std::fclose(file) != 0) written = false;
    if (!written) {
        std::fprintf(stderr, "manualPage: %s: %s\n", argv[3], std::strerror(errno));
        return 1;
    }
    return 0;
}
