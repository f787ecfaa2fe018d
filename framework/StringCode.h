// Included before every source file of Vexa.exe (by the compiler, see CMakeLists.txt): each file
// compiles the members of std::string it calls, instead of calling the library's ready-made copy
// of all of them.
//
// The library's copy (string-inst.o, about 33 KB of code and unwind tables in the 32-bit file)
// comes whole: ld's script for 32-bit Windows programs keeps every unwind table (KEEP of
// .eh_frame), and each table refers to its function, so --gc-sections can drop none of the
// members nobody calls. Compiled in Vexa's own files, each member is a section of its own that
// the linker keeps only where a call needs it. The 64-bit file's unwind tables (.pdata) do not
// keep functions alive; it gets the same code all the same, so both builds run alike.
//
// libstdc++ makes this switch itself for its checked mode: -1 turns off the extern template
// declarations of basic_string alone, every other extern template stays.
#pragma once
#include <bits/c++config.h>
#undef _GLIBCXX_EXTERN_TEMPLATE
#define _GLIBCXX_EXTERN_TEMPLATE -1
