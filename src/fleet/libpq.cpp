#include "fleet/libpq.h"

#include <dlfcn.h>

#include <atomic>
#include <mutex>
#include <string>

#include "fleet/pg_connection.h"

namespace ijken::fleet {

namespace detail {

namespace {

std::mutex library_mutex;
std::string library_file = "libpq.so.5";
Libpq library;
std::atomic<const Libpq*> loaded{nullptr};

// Opens the library and looks its functions up. Throws FleetError, and may be tried again.
const Libpq& load_library() {
    std::lock_guard<std::mutex> lock(library_mutex);
    if (const Libpq* l = loaded.load()) return *l;
    dlerror();
    void* handle = dlopen(library_file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* error = dlerror();
        const std::string reason = error ? one_line(error) : "";
        if (reason.empty() || reason.find("No such file") != std::string::npos) {
            throw FleetError("the PostgreSQL client library " + library_file +
                             " is not installed (Debian package libpq5)");
        }
        throw FleetError("the PostgreSQL client library " + library_file + " cannot be loaded: " + reason);
    }
    Libpq found;
    const char* missing = nullptr;
#define IJKEN_LIBPQ_RESOLVE(name)                                              \
    found.name = reinterpret_cast<decltype(found.name)>(dlsym(handle, #name)); \
    if (found.name == nullptr && missing == nullptr) missing = #name;
    IJKEN_LIBPQ_FUNCTIONS(IJKEN_LIBPQ_RESOLVE)
#undef IJKEN_LIBPQ_RESOLVE
    if (missing) {
        dlclose(handle);
        throw FleetError("the PostgreSQL client library " + library_file + " lacks " + missing);
    }
    // The library stays loaded for the rest of the process.
    library = found;
    loaded.store(&library);
    return library;
}

}  // namespace

const Libpq& pq() {
    if (const Libpq* l = loaded.load(std::memory_order_acquire)) return *l;
    return load_library();
}

}  // namespace detail

void require_client_library() {
    detail::pq();
}

void set_client_library_file(const std::string& file_name) {
    std::lock_guard<std::mutex> lock(detail::library_mutex);
    detail::library_file = file_name;
    detail::loaded.store(nullptr);
}

}  // namespace ijken::fleet
