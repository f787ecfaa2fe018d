// The errors the C++ library raises from inside its containers and strings (a position past a
// string's end, a string too long to make, an allocation too large), thrown by Vexa's own
// functions instead of the library's.
//
// The library's versions all live in one object file that also raises every other error of the
// library, and throws std::logic_error and its kin, which carry a reference-counted string of
// their own: linking them pulls in that whole second string implementation, the formatting of
// their messages and further exception classes, about 50 KB that Vexa never otherwise uses.
// The exceptions thrown here are std::exception's with the library's own message (or
// std::bad_alloc for an allocation), so the program's boundaries report them as before
// (AfxReportException shows what() in the message box).
//
// Only Vexa.exe links this file. Should the program ever need another of the library's errors,
// the linker takes the library's object file for it and refuses the link with duplicate
// definitions of the functions below: a loud failure, never a silent change.
#include <bits/functexcept.h> // the library's declarations of the functions defined here

#include <cstdarg>
#include <cstddef>
#include <exception>
#include <new>

namespace {

// What the library says went wrong, formatted as its own messages are: "%s" and "%zu" are
// replaced, "%%" is a percent sign; the rest is copied. Long messages are cut.
class LibraryError final : public std::exception {
public:
    LibraryError(const char* format, std::va_list arguments) noexcept
    {
        std::size_t out = 0;
        const auto put = [this, &out](char c) {
            if (out + 1 < sizeof(m_text))
                m_text[out++] = c;
        };
        for (const char* p = format != nullptr ? format : ""; *p != '\0'; ++p) {
            if (p[0] == '%' && p[1] == 's') {
                const char* text = va_arg(arguments, const char*);
                for (; text != nullptr && *text != '\0'; ++text)
                    put(*text);
                ++p;
            } else if (p[0] == '%' && p[1] == 'z' && p[2] == 'u') {
                std::size_t number = va_arg(arguments, std::size_t);
                char digits[24];
                int count = 0;
                do {
                    digits[count++] = static_cast<char>('0' + number % 10);
                    number /= 10;
                } while (number != 0);
                while (count > 0)
                    put(digits[--count]);
                p += 2;
            } else if (p[0] == '%' && p[1] == '%') {
                put('%');
                ++p;
            } else {
                put(*p);
            }
        }
        m_text[out] = '\0';
    }

    const char* what() const noexcept override { return m_text; }

private:
    char m_text[256];
};

[[noreturn]] void ThrowFormatted(const char* format, ...)
{
    std::va_list arguments;
    va_start(arguments, format);
    const LibraryError error(format, arguments);
    va_end(arguments);
    throw error;
}

} // namespace

namespace std {

void __throw_bad_alloc()
{
    throw std::bad_alloc();
}

void __throw_bad_array_new_length()
{
    throw std::bad_array_new_length();
}

// The library passes plain texts here; a "%" in them stays as it is.
void __throw_logic_error(const char* what)
{
    ThrowFormatted("%s", what);
}

void __throw_length_error(const char* what)
{
    ThrowFormatted("%s", what);
}

void __throw_out_of_range(const char* what)
{
    ThrowFormatted("%s", what);
}

void __throw_invalid_argument(const char* what)
{
    ThrowFormatted("%s", what);
}

void __throw_out_of_range_fmt(const char* format, ...)
{
    std::va_list arguments;
    va_start(arguments, format);
    const LibraryError error(format, arguments);
    va_end(arguments);
    throw error;
}

} // namespace std
