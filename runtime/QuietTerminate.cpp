// What the program does when the C++ runtime has to end it (an exception that nothing
// catches, which start-up and the framework's one dispatch point never let happen): it
// ends at once. The C++ library's own handler would first print the exception's type,
// demangled, to standard error, which a windowed program does not have; its demangler
// and formatted printer weigh about 70 KB. Linked as an object of the program (not from
// a library), so that this definition is the one the C++ library's terminate calls.
#include <cstdlib>
#include <exception>

namespace __gnu_cxx {

void __verbose_terminate_handler() {
    std::abort();
}

} // namespace __gnu_cxx
