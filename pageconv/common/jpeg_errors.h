// libjpeg's error handling as the converter wants it: an error jumps back to the setjmp of the
// function that started the work instead of ending the process, and warnings stay quiet (a page
// either converts or fails with its own message). The jumping functions must hold no C++ objects
// with destructors, since longjmp skips them.
#pragma once

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace pageconv {

struct JumpingErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

inline void jumpBack(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JumpingErrorManager*>(info->err)->jump, 1);
}

inline void stayQuiet(j_common_ptr /*info*/) {}

// The error manager to put in a compress or decompress struct's `err`.
inline jpeg_error_mgr* jumpingErrors(JumpingErrorManager& errors) {
    jpeg_std_error(&errors.base);
    errors.base.error_exit = jumpBack;
    errors.base.output_message = stayQuiet;
    return &errors.base;
}

}  // namespace pageconv
