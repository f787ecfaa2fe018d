#include "ExceptionReport.h"

#include "MessageBox.h"

#include <exception>
#include <new>

void AfxReportException() noexcept
{
    const char* text = "Internal application error.";
    try {
        throw; // the exception being handled, to tell its kind
    } catch (const std::bad_alloc&) {
        text = "Out of memory.";
    } catch (const std::exception& e) {
        text = e.what();
    } catch (...) {
    }
    try {
        AfxMessageBox(text, MB_ICONSTOP);
    } catch (...) {
        ::MessageBeep(MB_ICONHAND);
    }
}
