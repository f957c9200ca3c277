#include "operation_guard.h"

#include <cstdio>
#include <exception>
#include <new>

namespace draxo {

int operation_failed(const char* operation, int result) noexcept {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "DRAXO: %s: out of memory; the call was given up\n", operation);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "DRAXO: %s failed (%s); the call was given up\n", operation, e.what());
    } catch (...) {
        std::fprintf(stderr, "DRAXO: %s failed; the call was given up\n", operation);
    }
    return result;
}

}  // namespace draxo
