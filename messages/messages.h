// messages/messages.h - the message library: texts by module and number from a compiled catalogue.
#pragma once

#include <cstddef>

// Receives every error text the library composes ("MSGKIT : 7 Invalid message number 23:66\n").
// The module's callback stops the module; without one the library prints the text and exits.
typedef void (*AbortCallback)(const char* text);

// Opens the catalogue at the end of the file at path; -1 on failure (already reported).
// A catalogue that is open already is closed first: one is open at a time.
int openCatalogue(const char* path, AbortCallback onError);

// The text of message number of module; the library owns it. Number 0 gives nullptr, number -1
// and every failure give the empty text. length, when given, receives the text's characters.
// Every text ends at its length: a NUL after a byte text, a zero 16-bit unit after a kind 9 one.
// With a cache limit any later lookup may free it, so a caller that needs a text across another
// lookup works from a copy (copyMessage).
const char* getMessage(int module, int number, int* length = nullptr);

// The text of message number of module copied into buffer, cut to size - 1 bytes and terminated.
void copyMessage(char* buffer, size_t size, int module, int number);

// Frees every block and table and closes the file; does nothing when no catalogue is open.
void closeCatalogue();

// Composes the text of error code with the code's printf arguments and hands it to the callback.
void catalogueError(int code, ...);
