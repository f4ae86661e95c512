// tools/msgc/numbersHeader.h - the C++ header that names the message numbers of a source, so that
// code passes a name, never a number, and each name stands beside its text in the source.
#pragma once

#include <string>
#include <vector>

#include "tools/msgc/sourceParser.h"

// The header's text: each module's number and each message's number as a constant, the
// message's text as its comment. false, with "source:line: what is wrong" in error, when a
// message or the module of a message has no name, or a named module holds no message.
bool writeNumbersHeader(const std::vector<SourceMessage>& messages,
                        const std::vector<NamedModule>& modules, const std::string& source,
                        std::string& header, std::string& error);
