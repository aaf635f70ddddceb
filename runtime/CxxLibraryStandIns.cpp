// What the program puts in place of two parts of the C++ library, to keep Setup.exe
// small. Linked as an object of the program (not from a library), so that these
// definitions are the ones the library's own code calls; the tests keep the library's.
//
// The terminate handler: the library's own prints the type of an exception that nothing
// caught, demangled, to standard error, which a windowed program does not have, and
// links a demangler and a formatted printer (about 70 KB) for it. Start-up and the
// framework's one dispatch point let no exception through; should one get past them,
// the program ends at once, as the library's handler does after its print.
//
// The throw helpers the library's containers and strings call on a broken precondition
// (a string longer than max_size(), an index out of range): the library's own build
// std::logic_error and its kin, whose message strings link the library's older
// copy-on-write string (about 45 KB). Here they raise rt::Error with the same message,
// which the dispatch point reports as it reports any error (it catches std::exception;
// nothing in the program catches the library's kinds by name). The kinds without a
// message are raised as the library raises them.
#include "runtime/Errors.h"

#include <cstdlib>
#include <exception>
#include <new>
#include <typeinfo>

namespace __gnu_cxx {

void __verbose_terminate_handler() {
    std::abort();
}

} // namespace __gnu_cxx

namespace std {

void __throw_bad_exception() {
    throw bad_exception();
}
void __throw_bad_alloc() {
    throw bad_alloc();
}
void __throw_bad_array_new_length() {
    throw bad_array_new_length();
}
void __throw_bad_cast() {
    throw bad_cast();
}
void __throw_bad_typeid() {
    throw bad_typeid();
}
void __throw_logic_error(const char* what) {
    throw rt::Error(what);
}
void __throw_domain_error(const char* what) {
    throw rt::Error(what);
}
void __throw_invalid_argument(const char* what) {
    throw rt::Error(what);
}
void __throw_length_error(const char* what) {
    throw rt::Error(what);
}
void __throw_out_of_range(const char* what) {
    throw rt::Error(what);
}
// The format's fields stay unfilled: the message names the place, which is what counts.
void __throw_out_of_range_fmt(const char* format, ...) {
    throw rt::Error(format);
}
void __throw_runtime_error(const char* what) {
    throw rt::Error(what);
}
void __throw_range_error(const char* what) {
    throw rt::Error(what);
}
void __throw_overflow_error(const char* what) {
    throw rt::Error(what);
}
void __throw_underflow_error(const char* what) {
    throw rt::Error(what);
}

} // namespace std
