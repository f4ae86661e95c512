// tools/msgc/sourceParser.h - reads a message source file into a list of messages.
//
// One message per line,
//     MODULE:NUMBER [NAME] [KIND] "TEXT"
// and a line `module MODULE NAME` names a module; # comments and blank lines. TEXT takes \n \t
// \\ \" and \xHH escapes. A NAME is a C++ identifier, given once in the file.
#pragma once

#include <string>
#include <vector>

#include "tools/msgc/writer.h"

struct NamedModule {
    int module = 0;
    std::string name;
    int line = 0;
};

// Parses the source text; name is used in messages "name:line: what is wrong". The modules'
// names go to modules when it is given. Returns false at the first bad line, with that message
// in error.
bool parseMessageSource(const std::string& source, const std::string& name,
                        std::vector<SourceMessage>& messages, std::string& error,
                        std::vector<NamedModule>* modules = nullptr);
