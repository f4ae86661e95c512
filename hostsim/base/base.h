// hostsim/base/base.h - what every part of the stand-in host shares: points, the errno guard of
// the kvs_* routines, and upper case in the host's code page.
//
// Offers: Point, ErrnoGuard, upperName, and the character routines kvs_isalpha, kvs_isdigit,
// kvs_isalnum and kvs_toupper (charClasses.cpp). Needs: nothing but host/kvs.h, the contract the
// module and the host both compile against.
#ifndef VECTRIN_HOSTSIM_BASE_BASE_H
#define VECTRIN_HOSTSIM_BASE_BASE_H

#include <array>
#include <cerrno>
#include <string>

#include "host/kvs.h"

namespace hostsim {

using Point = std::array<double, 3>;

// Every kvs_* routine keeps errno as the module left it: the module reads errno after its own
// arithmetic, and the host's library calls (stdio, readline, udunits2) may set it on the way.
class ErrnoGuard {
public:
    ErrnoGuard() : saved(errno) {}
    ~ErrnoGuard() { errno = saved; }
    ErrnoGuard(const ErrnoGuard&) = delete;
    ErrnoGuard& operator=(const ErrnoGuard&) = delete;

private:
    int saved;
};

std::string upperName(const std::string& name);  // upper case for code page 1252

}  // namespace hostsim

#endif
