// What happens to an exception that nothing caught: the process ends at once. The library's
// default handler would print the exception's demangled type name to a console Vexa does not
// have, and would pull the whole C++ demangler (about 50 KB) into the executable.
#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler()
{
    std::abort();
}

} // namespace __gnu_cxx
