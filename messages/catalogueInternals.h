// messages/catalogueInternals.h - the message library's state, for its tests and msgc verify.
//
// The module itself uses messages.h only.
#pragma once

#include <cstddef>

// Converts the bytes of one integer read from the catalogue to the platform's byte order.
void swapBytes(void* bytes, int count);

bool catalogueIsOpen();
int catalogueSlotCount();
int catalogueMessageCount(int module);  // -1 for an absent module or one outside the slots
int catalogueBlockCount();
// The block that holds message number of module, or -1 when the tables name none.
int catalogueBlockOf(int module, int number);
// A block's memory while it is loaded, else nullptr; its flags as the reader keeps them.
const unsigned char* catalogueBlockMemory(int index);
unsigned catalogueBlockFlags(int index);
int catalogueBlockLength(int index);
int catalogueFirstRecordKind(int index);  // kind of a loaded block's first record, -1 if none
int catalogueHeaderField(int field);
const char* catalogueCodePage();
const char* catalogueLanguage();
unsigned catalogueCharClass(int code);
unsigned catalogueOtherCase(int code);
unsigned catalogueCollationWeight(int code);
int catalogueAlphabeticMode();
int cataloguePinnedCount();
long long catalogueLoadedByteTotal();

// Every allocation of the library goes through this routine (nullptr restores malloc), so tests
// can make one fail; the memory it returns is released with free.
typedef void* (*CatalogueAllocator)(size_t byteCount);
void setCatalogueAllocator(CatalogueAllocator allocator);
