// hostsim/module/moduleLoader.cpp - loads the module, sends it its lifecycle messages, unloads it.
//
// One module at a time. The module may ask to be stopped (hmod_abort) from inside any call; the
// host never jumps out of the module, so it only marks the request and unloads the module when
// the call in progress has returned.
#include "hostsim/module/module.h"

#include <dlfcn.h>

#include <cstdarg>
#include <cstdio>
#include <string>

namespace {

enum Message : unsigned {
    messageLoad = 1,
    messageUnload = 2,
    messageDefine = 3,
    messageInvoke = 5
};
constexpr int entrySuccess = 0;

using EntryPoint = int (*)(unsigned);
using VersionQuery = long (*)(void);
using PointerSetter = int (*)(void*);

}  // namespace

// ---- module state: the one loaded module, on the host's thread ----
static void* moduleHandle = nullptr;     // from dlopen; NULL when no module is loaded
static EntryPoint entryPoint = nullptr;  // hmodEntryPoint of the loaded module
static std::string modulePath;           // the file loaded; kvs_getappname answers it
static bool abortRequested = false;      // hmod_abort was called; unload after this call
static bool loadMessageSent = false;     // message 2 is owed before the library is closed

namespace {

void reportLoadFailure(const std::string& path, const std::string& reason) {
    hostsim::printFailure(hostsim::programName() + ": cannot load module " + path + ": " + reason +
                          "\n");
}

// The module is a file: a name without a slash is in the current folder, not a library for
// dlopen to look for along the library path.
std::string moduleFilePath(const std::string& path) {
    return path.find('/') == std::string::npos ? "./" + path : path;
}

// Looks up one export; the reason is printed when it is missing.
void* findExport(const std::string& path, const char* name) {
    void* address = dlsym(moduleHandle, name);
    if (address == nullptr) reportLoadFailure(path, std::string("it has no export ") + name);
    return address;
}

bool bindExports(const std::string& path) {
    void* entry = findExport(path, "hmodEntryPoint");
    void* version = entry != nullptr ? findExport(path, "hmodGetApiVersion") : nullptr;
    void* setter = version != nullptr ? findExport(path, "_SethmodPtp") : nullptr;
    if (setter == nullptr) return false;
    reinterpret_cast<PointerSetter>(setter)(nullptr);
    long apiVersion = reinterpret_cast<VersionQuery>(version)();
    if (apiVersion != KVS_API_VERSION) {
        char reason[96];
        std::snprintf(reason, sizeof reason, "it is built for interface version 0x%lX, not 0x%lX",
                      static_cast<unsigned long>(apiVersion),
                      static_cast<unsigned long>(KVS_API_VERSION));
        reportLoadFailure(path, reason);
        return false;
    }
    entryPoint = reinterpret_cast<EntryPoint>(entry);
    return true;
}

int sendMessage(unsigned message) { return entryPoint(message); }

// The load and define messages; false when the module refuses either or asks to stop.
bool startModule(const std::string& path) {
    loadMessageSent = true;
    if (sendMessage(messageLoad) != entrySuccess || abortRequested) {
        reportLoadFailure(path, "it did not start");
        return false;
    }
    if (sendMessage(messageDefine) != entrySuccess || abortRequested) {
        reportLoadFailure(path, "it could not define its functions");
        return false;
    }
    return true;
}

}  // namespace

namespace hostsim {

bool loadModule(const std::string& path) {
    unloadModule();
    abortRequested = false;
    std::string filePath = moduleFilePath(path);
    moduleHandle = dlopen(filePath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (moduleHandle == nullptr) {
        const char* reason = dlerror();
        reportLoadFailure(path, reason != nullptr ? reason : "the system refused it");
        return false;
    }
    modulePath = filePath;
    if (!bindExports(path) || !startModule(path)) {
        unloadModule();
        return false;
    }
    return true;
}

void unloadModule() {
    if (moduleHandle == nullptr) return;
    forgetModuleFunctions();  // handlers point into code that is about to go
    if (loadMessageSent && entryPoint != nullptr) sendMessage(messageUnload);
    dlclose(moduleHandle);
    moduleHandle = nullptr;
    entryPoint = nullptr;
    loadMessageSent = false;
    abortRequested = false;
    modulePath.clear();
    releaseAllLists();  // whatever the module still held from the host goes with it
}

bool moduleLoaded() { return moduleHandle != nullptr; }

bool redefineModuleFunctions() {
    if (entryPoint == nullptr) return false;
    bool defined = sendMessage(messageDefine) == entrySuccess;
    finishModuleCall();
    return defined && moduleLoaded();
}

void sendInvokeMessage() {
    if (entryPoint != nullptr) sendMessage(messageInvoke);
}

void finishModuleCall() {
    if (!abortRequested || moduleHandle == nullptr) return;
    startLine();
    printText(programName() + ": the module " + modulePath + " stopped itself and is unloaded\n");
    unloadModule();
}

}  // namespace hostsim

extern "C" const char* kvs_getappname(void) {
    // The module keeps the pointer only for the call, so the path's own storage will do.
    return moduleHandle != nullptr ? modulePath.c_str() : nullptr;
}

extern "C" void hmod_abort(const char* format, ...) {
    hostsim::ErrnoGuard keepErrno;
    abortRequested = true;
    if (format == nullptr) return;
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length > 0) {
        std::string text(static_cast<size_t>(length) + 1, '\0');
        std::vsnprintf(&text[0], text.size(), format, args);
        text.resize(static_cast<size_t>(length));
        hostsim::printText(text);
    }
    va_end(args);
}
