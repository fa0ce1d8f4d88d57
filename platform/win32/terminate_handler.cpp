// The library's default terminate handler writes the demangled type of an uncaught
// exception to stderr, which a GUI program does not have. Defining it here keeps the
// demangler and the printf family it drags in (about 70 KiB) out of the program; an
// uncaught exception still ends the process through abort.
#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
