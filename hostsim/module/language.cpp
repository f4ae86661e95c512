// hostsim/module/language.cpp - which module file a language asks for: vectrin.so for English,
// vectrin.LANG.so beside it for another language.
//
// The module's texts live in the catalogue appended to its file, so a language is a file of its
// own: the same library with another catalogue. The language comes from --language, else from the
// locale the environment names, as gettext reads it: LC_ALL, then LC_MESSAGES, then LANG.
#include "hostsim/module/module.h"

#include <dirent.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace {

constexpr std::size_t maxLanguageLength = 8;  // "de", "pt", "gsw": short letter codes only

std::string lowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

namespace hostsim {

bool isLanguageName(const std::string& language) {
    if (language.empty() || language.size() > maxLanguageLength) return false;
    for (char c : language)
        if (!std::isalpha(static_cast<unsigned char>(c))) return false;
    return true;
}

std::string localeLanguage(const std::string& locale) {
    std::string language = lowerCase(locale.substr(0, locale.find_first_of("_.@")));
    if (!isLanguageName(language) || language == "c" || language == "posix") return "";
    return language;
}

std::string environmentLanguage() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') return localeLanguage(value);
    }
    return "";
}

std::string moduleFileName(const std::string& language) {
    std::string code = lowerCase(language);
    if (code.empty() || code == "en") return "vectrin.so";
    return "vectrin." + code + ".so";
}

// vectrin.so is English; vectrin.LANG.so is LANG when LANG is a language's name.
std::string languageOfModuleFile(const std::string& fileName) {
    if (fileName == moduleFileName("")) return "en";
    const std::string head = "vectrin.", tail = ".so";
    if (fileName.size() <= head.size() + tail.size() ||
        fileName.compare(0, head.size(), head) != 0 ||
        fileName.compare(fileName.size() - tail.size(), tail.size(), tail) != 0)
        return "";
    std::string language =
        fileName.substr(head.size(), fileName.size() - head.size() - tail.size());
    return isLanguageName(language) && moduleFileName(language) == fileName ? language : "";
}

std::vector<std::string> moduleLanguages(const std::vector<std::string>& folders) {
    std::vector<std::string> languages;
    for (const std::string& folder : folders) {
        DIR* listing = opendir(folder.empty() ? "." : folder.c_str());
        if (listing == nullptr) continue;
        while (const dirent* entry = readdir(listing)) {
            std::string language = languageOfModuleFile(entry->d_name);
            if (!language.empty()) languages.push_back(language);
        }
        closedir(listing);
    }
    std::sort(languages.begin(), languages.end());
    languages.erase(std::unique(languages.begin(), languages.end()), languages.end());
    return languages;
}

}  // namespace hostsim
