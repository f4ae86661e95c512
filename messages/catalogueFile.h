// messages/catalogueFile.h - buffered read-only file access for the catalogue reader.
#pragma once

// Reads of up to 3584 bytes go through one 4096-byte buffer whose start is aligned to 512
// bytes, so any such read fits in a single refill; seeks from the start cost no system call.
constexpr int catalogueBufferSize = 4096;
constexpr int catalogueBufferAlign = 512;
constexpr int catalogueBypassSize = catalogueBufferSize - catalogueBufferAlign;  // 3584

struct CatalogueFile;

// nullptr when the file can't be opened for reading.
CatalogueFile* catalogueFileOpen(const char* path);
// Whole elements delivered; a size or count of 0 or less reads nothing.
long catalogueFileRead(CatalogueFile* file, void* destination, long elementSize, long count);
// origin 0: from the start, 1: from the logical position, 2: from the end (asks the system).
// Returns the new logical position, or -1 (position unchanged) for a target before the start.
long catalogueFileSeek(CatalogueFile* file, long offset, int origin);
long catalogueFileTell(const CatalogueFile* file);
void catalogueFileClose(CatalogueFile* file);

// How many times the buffer was refilled from the system since the program started (tests).
long catalogueFileRefillCount();
