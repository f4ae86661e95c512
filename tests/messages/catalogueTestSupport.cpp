// tests/messages/catalogueTestSupport.cpp - catalogue files and error capture for the tests.
#include "tests/messages/catalogueTestSupport.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "messages/catalogueFormat.h"

std::vector<std::string>& capturedErrors() {
    static std::vector<std::string> errors;
    return errors;
}

void captureError(const char* text) { capturedErrors().push_back(text); }

static std::string directory;
static pid_t directoryOwner = 0;

// Death tests fork: only the process that made the directory removes it.
static void removeTestDirectory() {
    if (getpid() != directoryOwner) return;
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
}

std::string testDirectory() {
    if (directory.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp != nullptr ? tmp : "/tmp") + "/messagesTests.XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (mkdtemp(buffer.data()) == nullptr) std::abort();
        directory = buffer.data();
        directoryOwner = getpid();
        std::atexit(removeTestDirectory);
    }
    return directory;
}

void CatalogueImage::putI32(long offset, std::int32_t value) {
    std::uint32_t v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; i++) file[base + offset + i] = static_cast<unsigned char>(v >> (8 * i));
}

void CatalogueImage::putI16(long offset, std::int16_t value) {
    std::uint16_t v = static_cast<std::uint16_t>(value);
    file[base + offset] = static_cast<unsigned char>(v & 0xFF);
    file[base + offset + 1] = static_cast<unsigned char>(v >> 8);
}

std::size_t CatalogueImage::blockEntryOffset(int index) const {
    int slots = 0;
    for (int i = 0; i < 4; i++) {
        slots |= file[base + catalogue::fieldsOffset + 4 * catalogue::fieldSlotCount + i]
                 << (8 * i);
    }
    return built.fileIndexOffset + slots * catalogue::fileIndexEntrySize +
           index * catalogue::blockEntrySize;
}

std::string CatalogueImage::write(const std::string& name) const {
    std::string path = testDirectory() + "/" + name;
    writeFileBytes(path, file);
    return path;
}

CatalogueImage makeImage(const std::vector<SourceMessage>& messages,
                         const CatalogueOptions& options, const std::string& prefix) {
    CatalogueImage image;
    std::string error;
    if (!buildCatalogue(messages, options, image.built, error)) {
        ADD_FAILURE() << "buildCatalogue: " << error;
        return image;
    }
    image.file.assign(prefix.begin(), prefix.end());
    image.base = image.file.size();
    image.file.insert(image.file.end(), image.built.bytes.begin(), image.built.bytes.end());
    std::vector<unsigned char> trailer =
        catalogueTrailer(static_cast<std::int32_t>(image.built.bytes.size()));
    image.file.insert(image.file.end(), trailer.begin(), trailer.end());
    return image;
}

SourceMessage message(int module, int number, const std::string& text, int kind) {
    SourceMessage m;
    m.module = module;
    m.number = number;
    m.text = text;
    m.kind = kind;
    return m;
}

std::vector<unsigned char> readFileBytes(const std::string& path) {
    std::vector<unsigned char> bytes;
    std::string error;
    if (!readWholeFile(path, bytes, error)) ADD_FAILURE() << error;
    return bytes;
}

void writeFileBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) ADD_FAILURE() << "can't write " << path;
}

const char* vectrinCataloguePath() { return VECTRIN_CATALOGUE_PATH; }
