// What the program does with an exception that reaches one of its boundaries with the platform
// (a window or dialog procedure, the entry point): no C++ exception may unwind through the
// platform's own frames, so each boundary catches everything and hands it to this one function.
#pragma once

// Shows the exception being handled in the program's message box: "Out of memory." for a failed
// allocation, the exception's own text for the others. Call it only inside a catch block. It
// throws nothing: if even the box cannot be shown, the report is a beep.
void AfxReportException() noexcept;
