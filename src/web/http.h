#pragma once
// The HTTP library. Debian builds it as a shared library with TLS and compression; the build takes
// its flags from pkg-config, so that the classes here are laid out as in the library. Its limits
// are the library's own: a request line and each header line at most 8 KiB, a form at most 8 KiB.
#include <httplib.h>
