// The library's errors as Vexa.exe throws them (framework/LibraryErrors.cpp): each is caught as
// a std::exception with the library's message, its numbers filled in, and a too large
// allocation is still a std::bad_alloc. The exception support runs on the one-thread stand-ins
// of its threading calls (framework/OneThread.cpp): exceptions in flight, nested and kept are
// still told apart. A program of its own, linked like Vexa.exe: GoogleTest needs the library's
// own versions of these functions.
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

int g_passed = 0;
int g_failed = 0;

void Check(bool condition, const char* what, const char* detail = "")
{
    if (condition) {
        ++g_passed;
    } else {
        ++g_failed;
        std::printf("FAILED: %s %s\n", what, detail);
    }
}

// Runs the action and returns the message of the std::exception it throws; "<none>" when it
// throws nothing, "<other>" when it throws something else.
template <class Action>
std::string MessageOf(Action action)
{
    try {
        action();
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "<other>";
    }
    return "<none>";
}

// An exception with a fixed message. (std::runtime_error would bring the library's own errors.)
class Marked final : public std::exception {
public:
    explicit Marked(const char* text) : m_text(text) {}
    const char* what() const noexcept override { return m_text; }

private:
    const char* m_text;
};

void CheckMessage(const std::string& message, const std::string& expected, const char* what)
{
    Check(message == expected, what, ("got '" + message + "'").c_str());
}

} // namespace

int main()
{
    const std::string abc = "abc";
    CheckMessage(MessageOf([&] { (void)abc.substr(5); }),
                 "basic_string::substr: __pos (which is 5) > this->size() (which is 3)",
                 "a position past a string's end names both numbers");

    std::vector<int> empty;
    CheckMessage(MessageOf([&] { (void)empty.at(2); }),
                 "vector::_M_range_check: __n (which is 2) >= this->size() (which is 0)",
                 "an index past a vector's end names both numbers");

    std::string text;
    CheckMessage(MessageOf([&] { text.reserve(text.max_size() + 1); }),
                 "basic_string::_M_create", "a string too long to make is a length error");

    const char* none = nullptr;
    CheckMessage(MessageOf([&] { std::string fromNull(none); }),
                 "basic_string: construction from null is not valid",
                 "a string made from a null pointer is a logic error");

    std::allocator<int> allocator;
    bool badAlloc = false;
    try {
        (void)allocator.allocate(allocator.max_size() + 1);
    } catch (const std::bad_alloc&) {
        badAlloc = true;
    }
    Check(badAlloc, "an allocation larger than possible is std::bad_alloc");

    bool badLength = false;
    try {
        (void)allocator.allocate(static_cast<std::size_t>(-1));
    } catch (const std::bad_array_new_length&) {
        badLength = true;
    }
    Check(badLength, "an allocation whose size overflows is std::bad_array_new_length");

    // An exception thrown while another is being handled, one kept and thrown again later: the
    // runtime's list of exceptions in flight holds both, in order.
    std::exception_ptr kept;
    std::string inner;
    try {
        throw Marked("outer");
    } catch (const std::exception& outer) {
        inner = MessageOf([] { throw Marked("inner"); });
        Check(std::string(outer.what()) == "outer", "the handled exception outlives a nested one");
        kept = std::current_exception();
    }
    Check(inner == "inner", "a nested exception is caught as itself");
    CheckMessage(MessageOf([&] { std::rethrow_exception(kept); }), "outer",
                 "a kept exception is thrown again as itself");
    Check(std::uncaught_exceptions() == 0, "no exception is left in flight");

    std::printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
