// The threading functions that the C++ runtime's exception support asks for, for a program of
// one thread.
//
// The runtime guards its exception bookkeeping (the unwinder's tables, the emergency pool for
// exceptions thrown when memory is short, the per-thread list of exceptions in flight) with
// POSIX threading calls. The threading library that supplies them brings its whole thread
// implementation with it, about 30 KB, although Vexa runs on one thread: every message handler,
// command and window procedure of its runs on the thread that started it, and no thread of the
// platform's calls into its code. (The lock service, Vexa.exe /service, has a second thread,
// ServiceMain's, which does all of its work; the first one only waits in the service manager's
// dispatcher and runs a control handler that neither throws nor touches the runtime.) Here a
// lock has nothing to wait for, a one-time call runs at its first request, and a "per-thread"
// value is the one thread's value.
//
// Only Vexa.exe links this file; the tests keep the threading library. Should the runtime ever
// ask for another function of that library, the linker takes the library's object file for it
// and refuses the link with duplicate definitions of the functions below: a loud failure, never
// a silent change.
#include <cstdint>

namespace {

// As many keys as the runtime makes: one for the exceptions in flight, a few to spare.
constexpr unsigned kMaxKeys = 8;
const void* g_values[kMaxKeys] = {};
unsigned g_keys = 0;

} // namespace

// The library's types, as its header declares them.
using pthread_once_t = long;
using pthread_mutex_t = std::intptr_t;
using pthread_mutexattr_t = unsigned;
using pthread_key_t = unsigned;

extern "C" {

int pthread_once(pthread_once_t* once, void (*function)())
{
    if (*once == 0) {
        *once = 1;
        function();
    }
    return 0;
}

int pthread_mutex_init(pthread_mutex_t* mutex, const pthread_mutexattr_t*)
{
    *mutex = 0;
    return 0;
}

int pthread_mutex_destroy(pthread_mutex_t*)
{
    return 0;
}

int pthread_mutex_lock(pthread_mutex_t*)
{
    return 0;
}

int pthread_mutex_unlock(pthread_mutex_t*)
{
    return 0;
}

// The one thread never ends before the process, so a key's destructor is never due.
int pthread_key_create(pthread_key_t* key, void (*)(void*))
{
    if (g_keys == kMaxKeys)
        return 11; // EAGAIN: no key left
    *key = g_keys++;
    return 0;
}

void* pthread_getspecific(pthread_key_t key)
{
    return key < g_keys ? const_cast<void*>(g_values[key]) : nullptr;
}

int pthread_setspecific(pthread_key_t key, const void* value)
{
    if (key >= g_keys)
        return 22; // EINVAL: not a key
    g_values[key] = value;
    return 0;
}

} // extern "C"
