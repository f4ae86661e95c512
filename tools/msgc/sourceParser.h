// tools/msgc/sourceParser.h - reads a message source file into a list of messages.
//
// One message per line,
//     MODULE:NUMBER [KIND] "TEXT"
// with # comments and blank lines; TEXT takes \n \t \\ \" and \xHH escapes.
#pragma once

#include <string>
#include <vector>

#include "tools/msgc/writer.h"

// Parses the source text; name is used in messages "name:line: what is wrong".
// Returns false at the first bad line, with that message in error.
bool parseMessageSource(const std::string& source, const std::string& name,
                        std::vector<SourceMessage>& messages, std::string& error);
