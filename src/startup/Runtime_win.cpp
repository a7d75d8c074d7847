// The program's answer to the standard library's throws. The program is compiled without
// exceptions and catches none, so a throw could only ever end the process through
// std::terminate. These definitions end it at the throw instead: the library's own versions
// would link the whole exception runtime (unwinder, demangling terminate handler, a second
// string implementation for the exception texts, the threading library for its locks) into
// a program that never uses it.
//
// Linked into setup.exe alone: the tests keep the library's throwing versions, and the native
// fuzz build (which skips "_win" sources) its sanitizer's allocator.
#include <windows.h>

#include <bits/functexcept.h>

#include <cstdlib>
#include <new>
#include <string>

#include "base/Trace.h"

namespace {

// What std::terminate did for an uncaught exception, less the text on a console nobody sees;
// the trace names the failure instead. Tracing may allocate, and an allocation that fails
// again lands here a second time, which then ends at once.
[[noreturn]] void Terminate(const char* what) {
    static bool terminating = false;
    if (!terminating) {
        terminating = true;
        Trace((std::string("Runtime::") + what + ", terminating.\n").c_str());
    }
    std::abort();
}

}  // namespace

void* operator new(std::size_t size) {
    void* block = std::malloc(size ? size : 1);
    if (!block) Terminate("out of memory");
    return block;
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
// The nothrow forms too (std::stable_sort takes its buffer with them): the library's own catch
// the throwing form's exception, which would link the exception runtime after all.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }

// Every function of the library's own member that defines these, so that it is never linked.
namespace std {
void __throw_bad_exception() { Terminate("bad exception"); }
void __throw_bad_alloc() { Terminate("out of memory"); }
void __throw_bad_array_new_length() { Terminate("bad array length"); }
void __throw_bad_cast() { Terminate("bad cast"); }
void __throw_bad_typeid() { Terminate("bad typeid"); }
void __throw_logic_error(const char* what) { Terminate(what); }
void __throw_domain_error(const char* what) { Terminate(what); }
void __throw_invalid_argument(const char* what) { Terminate(what); }
void __throw_length_error(const char* what) { Terminate(what); }
void __throw_out_of_range(const char* what) { Terminate(what); }
void __throw_out_of_range_fmt(const char* what, ...) { Terminate(what); }
void __throw_runtime_error(const char* what) { Terminate(what); }
void __throw_range_error(const char* what) { Terminate(what); }
void __throw_overflow_error(const char* what) { Terminate(what); }
void __throw_underflow_error(const char* what) { Terminate(what); }
void __throw_bad_function_call() { Terminate("bad function call"); }
}  // namespace std

// Three pieces of the C runtime's start-up that have nothing to do here, replaced by what they
// amount to; each of the runtime's own links code, texts and imports of its own (3 KiB in
// all, its PE section walker included). The relocator patches references to data imported
// from libraries, and the link refuses any such import (--disable-auto-import), so there is
// none; the math error handler only reports errors of functions the program never calls; the
// crash filter turns a crash into a signal, and with no signal handler set (the program sets
// none) hands it on to the filter that was there before, as this one does.
extern "C" {
void _pei386_runtime_relocator() {}
int _matherr(struct _exception*) { return 0; }
LPTOP_LEVEL_EXCEPTION_FILTER __mingw_oldexcpt_handler = nullptr;
LONG WINAPI _gnu_exception_handler(EXCEPTION_POINTERS* crash) {
    return __mingw_oldexcpt_handler ? __mingw_oldexcpt_handler(crash) : EXCEPTION_CONTINUE_SEARCH;
}
}
