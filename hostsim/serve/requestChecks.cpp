// hostsim/serve/requestChecks.cpp - who may talk to the served session: the address, the
// session token, the Host and Origin headers, and the lines a page may not run.
#include "hostsim/serve/serve.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>

namespace {

bool parsePort(const std::string& text, int& port) {
    if (text.empty() || text.size() > 5 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    long value = std::strtol(text.c_str(), nullptr, 10);
    if (value > 65535) return false;
    port = static_cast<int>(value);
    return true;
}

// Compares in time independent of where the texts differ, so the token cannot be guessed byte
// by byte from response times.
bool sameSecret(const std::string& given, const std::string& expected) {
    if (given.size() != expected.size()) return false;
    unsigned char difference = 0;
    for (std::size_t i = 0; i < given.size(); ++i)
        difference |= static_cast<unsigned char>(given[i] ^ expected[i]);
    return difference == 0;
}

bool isControl(char c) {
    auto code = static_cast<unsigned char>(c);
    return (code < 0x20 && c != '\t') || code == 0x7F;
}

}  // namespace

namespace hostsim {

bool parseServeAddress(const std::string& text, ServeAddress& address) {
    ServeAddress parsed;
    if (text.empty()) {
        address = parsed;
        return true;
    }
    std::size_t colon = text.rfind(':');
    std::string host = colon == std::string::npos ? "" : text.substr(0, colon);
    std::string port = colon == std::string::npos ? text : text.substr(colon + 1);
    if (!parsePort(port, parsed.port)) return false;
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    else if (host.find(':') != std::string::npos)
        return false;  // an IPv6 address goes in brackets
    if (colon != std::string::npos && host.empty()) return false;
    if (!host.empty()) parsed.host = host;
    address = parsed;
    return true;
}

std::string hostHeaderOf(const std::string& host, int port) {
    bool ipv6 = host.find(':') != std::string::npos;
    return (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

std::string newSessionToken() {
    std::random_device device;  // /dev/urandom on this platform
    static const char digits[] = "0123456789abcdef";
    std::string token;
    for (int i = 0; i < 4; ++i) {
        unsigned int bits = device();
        for (int nibble = 0; nibble < 8; ++nibble) token += digits[(bits >> (4 * nibble)) & 15u];
    }
    return token;
}

RequestVerdict checkRequest(const RequestFacts& request, const ServedSite& site) {
    if (request.hostCount > 1 || request.originCount > 1) return RequestVerdict::malformed;
    if (site.token.empty() || request.host != site.hostHeader) return RequestVerdict::refused;
    if (!request.origin.empty() && request.origin != "http://" + site.hostHeader)
        return RequestVerdict::refused;
    if (request.pageFile || sameSecret(request.token, site.token)) return RequestVerdict::allowed;
    return RequestVerdict::refused;
}

// LOAD and UNLOAD change the code the host runs; a page must not make the host read or write
// files either, and those commands are the host's only ones that take a path. The page's input
// holds no line end or other control character: one in a line would be a blank to the command
// line, and could hide the command's name from the look below.
bool lineAllowedFromPage(const std::string& line, std::string& reason) {
    static const char* const refusedCommands[] = {"LOAD", "UNLOAD", "SVG"};
    auto control = std::find_if(line.begin(), line.end(), isControl);
    if (control != line.end()) {
        char code[16];
        std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned char>(*control));
        reason =
            std::string("A line from the page may not hold a control character (") + code + ").";
        return false;
    }
    std::string word = upperName(firstCommandWord(line));
    for (const char* command : refusedCommands) {
        if (word == command) {
            reason = word + " is not available from the page; use the terminal.";
            return false;
        }
    }
    return true;
}

}  // namespace hostsim
