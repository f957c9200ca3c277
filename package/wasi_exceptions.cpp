// The throw of C++ for wasm32-wasip1, whose C++ runtime has no exceptions.
// The package is compiled with them as everywhere (its operations are
// function-try-blocks, operation_guard.h), but there nothing catches: the
// catch clauses are left out, and a throw (memory running out in the
// standard library, a length beyond its limit) ends the program, saying so
// on standard error; the runtime reports the abort. Compiled for that
// platform alone.
#include <cxxabi.h>

#include <cstdio>
#include <cstdlib>
#include <typeinfo>

extern "C" {

void* __cxa_allocate_exception(std::size_t thrown_size) noexcept {
    void* room = std::malloc(thrown_size);
    if (!room) std::abort();
    return room;
}

void __cxa_free_exception(void* thrown_exception) noexcept { std::free(thrown_exception); }

void __cxa_throw(void*, std::type_info* type, void* (*)(void*)) {
    std::fprintf(stderr, "DRAXO: an exception (%s) ends the program: this platform catches none\n",
                 type ? type->name() : "?");
    std::abort();
}

void __cxa_rethrow() {
    std::fputs("DRAXO: an exception ends the program: this platform catches none\n", stderr);
    std::abort();
}
}
